#include "locale_guard.h"
#include "qt_printers.h"
#include "value_text.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using limits = std::numeric_limits<double>;
constexpr auto text = &EventValue::text;
constexpr auto whole = &EventValue::whole;
constexpr auto fraction = &EventValue::fraction;

struct Rendering {
    const char *name;
    EventValue value;
    QString englishPlain; // empty when the value is absent
    QString germanPlain;
    QString signColumn; // the same under every locale
};

const Rendering renderings[] = {
    {"empty", EventValue(), "", "", ""},
    {"null", EventValue::null(), "", "", ""},
    {"emptyText", text(""), "", "", ""},
    {"blankText", text(" "), " ", " ", " "},
    {"numericText", text("7"), "7", "7", " 7"},
    {"negativeText", text(" -3.5 "), " -3.5 ", " -3.5 ", "-3.5"},
    {"hugeWholeText", text("9223372036854775807"), "9223372036854775807", "9223372036854775807",
     " 9223372036854775807"},
    {"wholeZero", whole(0), "0", "0", " 0"},
    {"wholeNoGrouping", whole(1234567), "1234567", "1234567", " 1234567"},
    {"wholeMin", whole(std::numeric_limits<qint64>::min()), "-9223372036854775808",
     "-9223372036854775808", "-9223372036854775808"},
    {"fraction", fraction(2.5), "2.5", "2,5", " 2.5"},
    {"negativeFraction", fraction(-37.5), "-37.5", "-37,5", "-37.5"},
    {"negativeZero", fraction(-0.0), "0", "0", " 0"},
    {"binaryNoise", fraction(0.1 + 0.2), "0.3", "0,3", " 0.3"},
    {"million", fraction(-1e6), "-1000000", "-1000000", "-1000000"},
    {"millionth", fraction(1e-6), "0.000001", "0,000001", " 0.000001"},
    {"smallWithDigits", fraction(-1.25e-6), "-0.00000125", "-0,00000125", "-0.00000125"},
    {"fifteenDigitsPlain", fraction(123456789012345.6), "123456789012346", "123456789012346",
     " 123456789012346"},
    {"largestPlain", fraction(1e15), "1000000000000000", "1000000000000000", " 1000000000000000"},
    {"fifteenDigitsFraction", fraction(1.0 / 3), "0.333333333333333", "0,333333333333333",
     " 0.333333333333333"},
    {"beyondPlainLarge", fraction(-1e20), "-1E+20", "-1E+20", "-1e+20"},
    {"beyondPlainSmall", fraction(1e-7), "1E-07", "1E-07", " 1e-07"},
    {"largest", fraction(limits::max()), "1.7976931348623157E+308", "1,7976931348623157E+308",
     " 1.7976931348623157e+308"},
    {"nan", fraction(limits::quiet_NaN()), "NaN", "NaN", " NaN"},
    {"negativeInfinity", fraction(-limits::infinity()), "-Infinity", "-Infinity", "-Infinity"},
    {"decimalPastDouble", EventValue::decimal("-0.000000001234567890123456789"),
     "-0.000000001234567890123456789", "-0,000000001234567890123456789",
     "-0.000000001234567890123456789"},
    {"decimalPast64Bits", EventValue::decimal("18446744073709551615"), "18446744073709551615",
     "18446744073709551615", " 18446744073709551615"},
};

TEST(ValueText, RendersPlainTextInTheLocaleAndTheSignColumnInAnyLocale)
{
    for (const Rendering &rendering : renderings) {
        SCOPED_TRACE(rendering.name);
        EXPECT_EQ(plainText(rendering.value, english), rendering.englishPlain);
        EXPECT_EQ(plainText(rendering.value, german), rendering.germanPlain);
        for (const QLocale &locale : {english, german}) {
            LocaleGuard guard(locale);
            EXPECT_EQ(signColumnText(rendering.value), rendering.signColumn)
                << locale.name().toStdString();
        }
    }
}

TEST(ValueText, TextThatReadsAsANumberInTheUsersLocaleIsThatNumber)
{
    LocaleGuard guard(german);
    EXPECT_EQ(signColumnText(EventValue::text("2,5")), " 2.5");
}

} // namespace
