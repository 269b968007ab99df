#include "locale_guard.h"
#include "log_line.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

namespace {

constexpr auto text = &EventValue::text;

const QString loneHalves = QChar(0xD800) + QStringLiteral("x") + QChar(0xDC00);

// How each value renders is the event values' own table; here, which rendering each field
// takes, and that nothing a value holds can split the line or add a field.
const struct {
    const char *name;
    ActionValues values;
    QString line;
} lines[] = {
    {"textFieldsAsTheyCame", {text("a"), text(" A1 "), text("7")}, "a\t A1 \t7\t\t\t"},
    {"signColumns",
     {.bszParm3 = EventValue::whole(0), .bszParm4 = text("7"), .bszParm5 = EventValue::whole(-12)},
     "\t\t\t 0\t 7\t-12"},
    {"tabShownAsPicture", {.bszAction = text("a\tb")}, "a\u2409b\t\t\t\t\t"},
    {"lineBreaksShownAsPictures",
     {.bszParm1 = text("x\r\ny"), .bszParm2 = text("\u2028\u2029\u0085")},
     "\tx\u240D\u240Ay\t\u2424\u2424\u2424\t\t\t"},
    {"otherControlsShownAsPictures",
     {.bszParm5 = text("\x01\x1b\x7f")},
     "\t\t\t\t\t\u2401\u241B\u2421"},
    {"frameMarkersReplaced", {.bszAction = text("\uFDD0\uFDD1")}, "\uFFFD\uFFFD\t\t\t\t\t"},
    {"loneSurrogatesKept",
     {.bszAction = text(loneHalves), .bszParm5 = text(loneHalves)},
     loneHalves + "\t\t\t\t\t" + loneHalves},
};

TEST(LogLine, HasSixFieldsInEveryLocale)
{
    for (const QLocale &locale : {english, german}) {
        LocaleGuard guard(locale);
        for (const auto &[name, values, line] : lines)
            EXPECT_EQ(logLine(values), line) << name << " in " << locale.name().toStdString();
    }
}

} // namespace
