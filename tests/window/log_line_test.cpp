#include "locale_guard.h"
#include "log_line.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

namespace {

EventValue text(const char *text)
{
    return EventValue::text(QString::fromUtf8(text));
}

struct LineCase {
    const char *name;
    ActionValues values;
    QString line;
};

void PrintTo(const LineCase &lineCase, std::ostream *os)
{
    *os << lineCase.name;
}

class LogLine : public testing::TestWithParam<LineCase> {};

TEST_P(LogLine, HasSixFieldsInEveryLocale)
{
    for (const QLocale &locale : {english, german}) {
        LocaleGuard guard(locale);
        EXPECT_EQ(logLine(GetParam().values), GetParam().line) << locale.name().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, LogLine,
    testing::Values(
        LineCase{"allAbsent", {}, "\t\t\t\t\t"},
        LineCase{"nullsAreAbsent",
                 {EventValue::null(), EventValue::null(), EventValue::null(), EventValue::null(),
                  EventValue::null(), EventValue::null(), EventValue::null()},
                 "\t\t\t\t\t"},
        LineCase{"actionAndParameter3",
                 {.bszAction = text("a"), .bszParm3 = EventValue::whole(5)},
                 "a\t\t\t 5\t\t"},
        LineCase{"zeroIsPresent", {.bszParm4 = EventValue::whole(0)}, "\t\t\t\t 0\t"},
        LineCase{"negativeHasNoBlank", {.bszParm5 = EventValue::whole(-12)}, "\t\t\t\t\t-12"},
        LineCase{"fractionWithFullStop", {.bszParm3 = EventValue::number(2.5)}, "\t\t\t 2.5\t\t"},
        LineCase{"numericTextInSignColumn", {.bszParm4 = text("7")}, "\t\t\t\t 7\t"},
        LineCase{"otherTextInSignColumn", {.bszParm5 = text("n/a")}, "\t\t\t\t\tn/a"},
        LineCase{"reservedIsNotLogged", {.reserved = text("kept out")}, "\t\t\t\t\t"},
        LineCase{"simulatedOn",
                 {text("sendplc"), text("A1"), text("on"), EventValue(), EventValue::number(100),
                  EventValue::number(100), EventValue()},
                 "sendplc\tA1\ton\t\t 100\t 100"},
        LineCase{"tabShownAsPicture", {.bszAction = text("a\tb")}, "a\u2409b\t\t\t\t\t"},
        LineCase{"lineBreaksShownAsPictures",
                 {.bszParm1 = text("x\r\ny"), .bszParm2 = text("\u2028\u2029\u0085")},
                 "\tx\u240D\u240Ay\t\u2424\u2424\u2424\t\t\t"},
        LineCase{"otherControlsShownAsPictures",
                 {.bszParm5 = text("\x01\x1b\x7f")},
                 "\t\t\t\t\t\u2401\u241B\u2421"},
        LineCase{
            "frameMarkersReplaced", {.bszAction = text("\uFDD0\uFDD1")}, "\uFFFD\uFFFD\t\t\t\t\t"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LogLineLocale, NumbersInTextFieldsFollowTheLocale)
{
    const ActionValues values{.bszAction = EventValue::number(2.5),
                              .bszParm3 = EventValue::number(2.5)};
    EXPECT_EQ(logLine(values, german), "2,5\t\t\t 2.5\t\t");
    EXPECT_EQ(logLine(values, english), "2.5\t\t\t 2.5\t\t");
}

} // namespace
