#include "event_value.h"
#include "locale_guard.h"
#include "qt_printers.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using limits = std::numeric_limits<double>;
using wholeLimits = std::numeric_limits<qint64>;

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
    {"emptyText", EventValue::text(""), "", "", ""},
    {"blankText", EventValue::text(" "), " ", " ", " "},
    {"text", EventValue::text("A1 on"), "A1 on", "A1 on", "A1 on"},
    {"numericText", EventValue::text("7"), "7", "7", " 7"},
    {"negativeText", EventValue::text(" -3.5 "), " -3.5 ", " -3.5 ", "-3.5"},
    {"hugeWholeText", EventValue::text("9223372036854775807"), "9223372036854775807",
     "9223372036854775807", " 9223372036854775807"},
    {"infinityText", EventValue::text("inf"), "inf", "inf", "inf"},
    {"wholeZero", EventValue::whole(0), "0", "0", " 0"},
    {"wholeNegative", EventValue::whole(-12), "-12", "-12", "-12"},
    {"wholeNoGrouping", EventValue::whole(1234567), "1234567", "1234567", " 1234567"},
    {"wholeMin", EventValue::whole(wholeLimits::min()), "-9223372036854775808",
     "-9223372036854775808", "-9223372036854775808"},
    {"fraction", EventValue::number(2.5), "2.5", "2,5", " 2.5"},
    {"negativeFraction", EventValue::number(-37.5), "-37.5", "-37,5", "-37.5"},
    {"zero", EventValue::number(0), "0", "0", " 0"},
    {"negativeZero", EventValue::number(-0.0), "0", "0", " 0"},
    {"binaryNoise", EventValue::number(0.1 + 0.2), "0.3", "0,3", " 0.3"},
    {"hundredThousand", EventValue::number(1e5), "100000", "100000", " 100000"},
    {"million", EventValue::number(-1e6), "-1000000", "-1000000", "-1000000"},
    {"tenThousandth", EventValue::number(1e-4), "0.0001", "0,0001", " 0.0001"},
    {"millionth", EventValue::number(1e-6), "0.000001", "0,000001", " 0.000001"},
    {"smallWithDigits", EventValue::number(-1.25e-6), "-0.00000125", "-0,00000125", "-0.00000125"},
    {"fifteenDigitsPlain", EventValue::number(123456789012345.6), "123456789012346",
     "123456789012346", " 123456789012346"},
    {"largestPlain", EventValue::number(1e15), "1000000000000000", "1000000000000000",
     " 1000000000000000"},
    {"fifteenDigitsFraction", EventValue::number(1.0 / 3), "0.333333333333333", "0,333333333333333",
     " 0.333333333333333"},
    {"beyondPlainLarge", EventValue::number(-1e20), "-1E+20", "-1E+20", "-1e+20"},
    {"beyondPlainSmall", EventValue::number(1e-7), "1E-07", "1E-07", " 1e-07"},
    {"largest", EventValue::number(limits::max()), "1.7976931348623157E+308",
     "1,7976931348623157E+308", " 1.7976931348623157e+308"},
    {"nan", EventValue::number(limits::quiet_NaN()), "NaN", "NaN", " NaN"},
    {"negativeInfinity", EventValue::number(-limits::infinity()), "-Infinity", "-Infinity",
     "-Infinity"},
};

// Present exactly when the plain text is not empty; every number is, zero included.
TEST(EventValue, RendersPlainTextInTheLocaleAndTheSignColumnInAnyLocale)
{
    for (const Rendering &rendering : renderings) {
        SCOPED_TRACE(rendering.name);
        EXPECT_EQ(rendering.value.isPresent(), !rendering.englishPlain.isEmpty());
        EXPECT_EQ(rendering.value.plainText(english), rendering.englishPlain);
        EXPECT_EQ(rendering.value.plainText(german), rendering.germanPlain);
        for (const QLocale &locale : {english, german}) {
            LocaleGuard guard(locale);
            EXPECT_EQ(rendering.value.signColumnText(), rendering.signColumn)
                << locale.name().toStdString();
        }
    }
}

TEST(EventValue, TextThatReadsAsANumberInTheUsersLocaleIsThatNumber)
{
    LocaleGuard guard(german);
    EXPECT_EQ(EventValue::text("2,5").signColumnText(), " 2.5");
}

} // namespace
