#include "event_value.h"
#include "locale_guard.h"
#include "qt_printers.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();
constexpr qint64 int64Max = std::numeric_limits<qint64>::max();

struct Rendering {
    const char *name;
    EventValue value;
    bool present;
    QString englishPlain;
    QString germanPlain;
    QString signColumn; // the same under every locale
};

void PrintTo(const Rendering &rendering, std::ostream *os)
{
    *os << rendering.name;
}

class EventValueRendering : public testing::TestWithParam<Rendering> {};

TEST_P(EventValueRendering, IsPresentWhenPlainTextIsNotEmpty)
{
    EXPECT_EQ(GetParam().value.isPresent(), GetParam().present);
}

TEST_P(EventValueRendering, PlainTextFollowsTheLocale)
{
    EXPECT_EQ(GetParam().value.plainText(english), GetParam().englishPlain);
    EXPECT_EQ(GetParam().value.plainText(german), GetParam().germanPlain);
}

TEST_P(EventValueRendering, SignColumnIgnoresTheLocale)
{
    for (const QLocale &locale : {english, german}) {
        LocaleGuard guard(locale);
        EXPECT_EQ(GetParam().value.signColumnText(), GetParam().signColumn)
            << locale.name().toStdString();
    }
}

const QString none;

INSTANTIATE_TEST_SUITE_P(
    Values, EventValueRendering,
    testing::Values(
        Rendering{"empty", EventValue(), false, none, none, none},
        Rendering{"null", EventValue::null(), false, none, none, none},
        Rendering{"emptyText", EventValue::text(""), false, none, none, none},
        Rendering{"blankText", EventValue::text(" "), true, " ", " ", " "},
        Rendering{"text", EventValue::text("A1 on"), true, "A1 on", "A1 on", "A1 on"},
        Rendering{"numericText", EventValue::text("7"), true, "7", "7", " 7"},
        Rendering{"negativeText", EventValue::text(" -3.5 "), true, " -3.5 ", " -3.5 ", "-3.5"},
        Rendering{"hugeWholeText", EventValue::text("9223372036854775807"), true,
                  "9223372036854775807", "9223372036854775807", " 9223372036854775807"},
        Rendering{"infinityText", EventValue::text("inf"), true, "inf", "inf", "inf"},
        Rendering{"wholeFive", EventValue::whole(5), true, "5", "5", " 5"},
        Rendering{"wholeZero", EventValue::whole(0), true, "0", "0", " 0"},
        Rendering{"wholeNegative", EventValue::whole(-12), true, "-12", "-12", "-12"},
        Rendering{"wholeNoGrouping", EventValue::whole(1234567), true, "1234567", "1234567",
                  " 1234567"},
        Rendering{"wholeMin", EventValue::whole(int64Min), true, "-9223372036854775808",
                  "-9223372036854775808", "-9223372036854775808"},
        Rendering{"wholeMax", EventValue::whole(int64Max), true, "9223372036854775807",
                  "9223372036854775807", " 9223372036854775807"},
        Rendering{"fraction", EventValue::number(2.5), true, "2.5", "2,5", " 2.5"},
        Rendering{"negativeFraction", EventValue::number(-37.5), true, "-37.5", "-37,5", "-37.5"},
        Rendering{"wholeDouble", EventValue::number(100), true, "100", "100", " 100"},
        Rendering{"bigWholeDouble", EventValue::number(1234567), true, "1234567", "1234567",
                  " 1234567"},
        Rendering{"zeroDouble", EventValue::number(0), true, "0", "0", " 0"},
        Rendering{"negativeZero", EventValue::number(-0.0), true, "0", "0", " 0"},
        Rendering{"binaryNoise", EventValue::number(0.1 + 0.2), true, "0.3", "0,3", " 0.3"},
        Rendering{"shortestRoundTrip", EventValue::number(0.1), true, "0.1", "0,1", " 0.1"},
        Rendering{"fifteenDigits", EventValue::number(123456789012345678.0), true,
                  "1.23456789012346E+17", "1,23456789012346E+17", " 1.23456789012346e+17"},
        Rendering{"tiny", EventValue::number(1e-7), true, "1E-07", "1E-07", " 1e-07"},
        Rendering{"largest", EventValue::number(std::numeric_limits<double>::max()), true,
                  "1.7976931348623157E+308", "1,7976931348623157E+308", " 1.7976931348623157e+308"},
        Rendering{"lowest", EventValue::number(std::numeric_limits<double>::lowest()), true,
                  "-1.7976931348623157E+308", "-1,7976931348623157E+308",
                  "-1.7976931348623157e+308"},
        Rendering{"nan", EventValue::number(nan), true, "NaN", "NaN", " NaN"},
        Rendering{"infinity", EventValue::number(inf), true, "Infinity", "Infinity", " Infinity"},
        Rendering{"negativeInfinity", EventValue::number(-inf), true, "-Infinity", "-Infinity",
                  "-Infinity"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EventValue, TextThatReadsAsANumberInTheUsersLocaleIsThatNumber)
{
    LocaleGuard guard(german);
    EXPECT_EQ(EventValue::text("2,5").signColumnText(), " 2.5");
}

TEST(EventValue, KindsAreKeptApart)
{
    EXPECT_EQ(EventValue().kind(), EventValue::Kind::Empty);
    EXPECT_EQ(EventValue::null().kind(), EventValue::Kind::Null);
    EXPECT_EQ(EventValue::text("").kind(), EventValue::Kind::Text);
    EXPECT_EQ(EventValue::whole(1).kind(), EventValue::Kind::Number);
    EXPECT_EQ(EventValue::number(1).kind(), EventValue::Kind::Number);
    EXPECT_NE(EventValue(), EventValue::null());
    EXPECT_NE(EventValue(), EventValue::text(""));
}

} // namespace
