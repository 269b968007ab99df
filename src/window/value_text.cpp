#include "value_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>
#include <string_view>

namespace {

// More digits than this are noise from binary fractions (0.1 + 0.2), not information.
constexpr int maxSignificantDigits = 15;

// Numbers of these magnitudes are written out in full, as a reader of the boxes and the log
// expects; only beyond them may an exponent stand in for a long run of zeros.
constexpr double smallestPlain = 1e-6;
constexpr double largestPlain = 1e15;

// How many digits the shortest decimal that reads back as the number has after the point.
int fractionDigits(double number)
{
    char text[32];
    const char *end =
        std::to_chars(std::begin(text), std::end(text), number, std::chars_format::scientific).ptr;
    const std::string_view written(text, std::size_t(end - text));
    const std::string_view mantissa = written.substr(0, written.find('e'));
    const auto digits = int(std::count_if(mantissa.begin(), mantissa.end(),
                                          [](char ch) { return ch >= '0' && ch <= '9'; }));
    const char *exponentStart = written.data() + mantissa.size() + 1;
    if (*exponentStart == '+')
        ++exponentStart; // which from_chars does not take
    int exponent = 0;
    std::from_chars(exponentStart, end, exponent);
    return std::max(0, digits - 1 - exponent);
}

// The shortest decimal that reads back as the same number, unless that needs more digits than
// are worth showing.
QString decimalText(double number, const QLocale &locale)
{
    if (number == 0)
        number = 0; // negative zero is still zero
    // A number whose shortest text has no more digits than that comes back unchanged. Near the
    // largest doubles, rounding can pass the largest one there is; keep every digit there.
    if (const double rounded = QString::number(number, 'g', maxSignificantDigits).toDouble();
        std::isfinite(rounded))
        number = rounded;
    const double magnitude = std::abs(number);
    if (number == 0 || (magnitude >= smallestPlain && magnitude <= largestPlain))
        return locale.toString(number, 'f', fractionDigits(number));
    return locale.toString(number, 'g', QLocale::FloatingPointShortest);
}

std::optional<QString> nonFiniteText(double number)
{
    if (std::isnan(number))
        return QStringLiteral("NaN");
    if (std::isinf(number))
        return number > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    return std::nullopt;
}

QLocale withoutGrouping(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

QString signColumn(qint64 number)
{
    const QString digits = QString::number(number);
    return number < 0 ? digits : u' ' + digits;
}

QString signColumn(const EventValue::Decimal &number)
{
    return number.digits.startsWith(u'-') ? number.digits : u' ' + number.digits;
}

// Every digit as the control gave it, in the user's regional format.
QString decimalText(const EventValue::Decimal &number, const QLocale &locale)
{
    QString text = number.digits;
    text.replace(u'.', locale.decimalPoint());
    if (text.startsWith(u'-'))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

QString signColumn(double number)
{
    const QString digits =
        nonFiniteText(number).value_or(decimalText(number, withoutGrouping(QLocale::c())));
    return digits.startsWith(u'-') ? digits : u' ' + digits;
}

// Whole numbers first, so that a count beyond double precision keeps every digit.
std::optional<std::variant<qint64, double>> readNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    if (const qint64 whole = trimmed.toLongLong(&ok); ok)
        return whole;
    for (const QLocale &locale : {QLocale::c(), QLocale()}) {
        const double number = locale.toDouble(trimmed, &ok);
        if (ok && std::isfinite(number))
            return number;
    }
    return std::nullopt;
}

} // namespace

ShownTexts shownTexts(const ActionValues &values, const QLocale &locale)
{
    ShownTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = plainText(values[i], locale);
    return texts;
}

QString plainText(const EventValue &value, const QLocale &locale)
{
    if (const auto *text = std::get_if<QString>(&value.value()))
        return *text;
    if (const auto *whole = std::get_if<qint64>(&value.value()))
        return withoutGrouping(locale).toString(*whole);
    if (const auto *number = std::get_if<double>(&value.value()))
        return nonFiniteText(*number).value_or(decimalText(*number, withoutGrouping(locale)));
    if (const auto *number = std::get_if<EventValue::Decimal>(&value.value()))
        return decimalText(*number, locale);
    return {};
}

QString signColumnText(const EventValue &value)
{
    if (const auto *whole = std::get_if<qint64>(&value.value()))
        return signColumn(*whole);
    if (const auto *number = std::get_if<double>(&value.value()))
        return signColumn(*number);
    if (const auto *number = std::get_if<EventValue::Decimal>(&value.value()))
        return signColumn(*number);
    if (const auto *text = std::get_if<QString>(&value.value())) {
        if (const auto number = readNumber(*text))
            return std::visit([](auto n) { return signColumn(n); }, *number);
        return *text;
    }
    return {};
}
