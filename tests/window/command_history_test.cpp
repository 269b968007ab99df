#include "command_history.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

namespace {

// One call: "+text" records the text; "^text" and "vtext" step older and newer with the text in
// the box. Each gives what the box shows after it, which a step that cannot be taken leaves.
struct HistoryCase {
    const char *name;
    std::vector<std::pair<QString, QString>> calls;
};

void PrintTo(const HistoryCase &historyCase, std::ostream *os)
{
    *os << historyCase.name;
}

class History : public testing::TestWithParam<HistoryCase> {};

TEST_P(History, StepsNewestFirstAndKeepsTheUsersText)
{
    CommandHistory history;
    for (const auto &[call, shown] : GetParam().calls) {
        const QString text = call.mid(1);
        std::optional<QString> step = text;
        if (call.startsWith(u'+'))
            history.record(text);
        else
            step = call.startsWith(u'^') ? history.older(text) : history.newer(text);
        EXPECT_EQ(step.value_or(text), shown) << "after " << call.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, History,
    testing::Values(HistoryCase{"nothingSent", {{"^typed", "typed"}, {"vtyped", "typed"}}},
                    HistoryCase{"afterASendTheFirstStepShowsTheOneBefore",
                                {{"+a", "a"}, {"+b", "b"}, {"^b", "a"}, {"va", "b"}, {"vb", "b"}}},
                    HistoryCase{"theUsersTextMayMatchAnOlderEntry",
                                {{"+a", "a"},
                                 {"+b", "b"},
                                 {"^a", "b"},
                                 {"^b", "a"},
                                 {"^a", "a"},
                                 {"va", "b"},
                                 {"vb", "a"}}},
                    HistoryCase{"aRecordEndsTheStepping",
                                {{"+a", "a"}, {"+b", "b"}, {"^x", "b"}, {"+b", "b"}, {"^b", "a"}}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
