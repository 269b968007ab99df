#include "outgoing_command.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char *name;
    CommandButton button;
    QString source;
    OutgoingCommand expected;
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

class OutgoingCommandFor : public testing::TestWithParam<Case> {};

TEST_P(OutgoingCommandFor, TakesTheSourceTextAsItIs)
{
    EXPECT_EQ(outgoingCommand(GetParam().button, GetParam().source), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, OutgoingCommandFor,
    testing::Values(Case{"onUntouched", CommandButton::On, "A1", {"sendplc", "A1 on"}},
                    Case{"offTyped", CommandButton::Off, "B12", {"sendplc", "B12 off"}},
                    Case{"onEmpty", CommandButton::On, "", {"sendplc", " on"}},
                    Case{"offEmpty", CommandButton::Off, "", {"sendplc", " off"}},
                    Case{"onKeepsCaseAndBlanks", CommandButton::On, " c3 ", {"sendplc", " c3  on"}},
                    Case{"powerlineAsTyped",
                         CommandButton::SendPL,
                         "  A1 dim 20 ",
                         {"sendplc", "  A1 dim 20 "}},
                    Case{"radioAsTyped", CommandButton::SendRF, "a1 ON", {"sendrf", "a1 ON"}},
                    Case{"powerlineEmpty", CommandButton::SendPL, "", {"sendplc", ""}},
                    Case{"radioEmpty", CommandButton::SendRF, "", {"sendrf", ""}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
