#include "event_value.h"

#include <cmath>
#include <optional>

namespace {

// More digits than this are noise from binary fractions (0.1 + 0.2), not information.
constexpr int maxSignificantDigits = 15;

int significantDigits(const QString &decimal)
{
    int digits = 0;
    bool leading = true;
    for (QChar ch : decimal) {
        if (ch == u'e' || ch == u'E')
            break;
        if (!ch.isDigit())
            continue;
        if (leading && ch == u'0')
            continue;
        leading = false;
        ++digits;
    }
    return digits;
}

// The shortest decimal that reads back as the same number, unless that needs more digits than
// are worth showing.
QString decimalText(double number, const QLocale &locale)
{
    if (number == 0)
        number = 0; // negative zero is still zero
    const QString shortest = QString::number(number, 'g', QLocale::FloatingPointShortest);
    // Near the largest doubles, rounding to fewer digits can pass the largest one there is, and
    // the text would stand for no number at all.
    if (significantDigits(shortest) <= maxSignificantDigits ||
        !std::isfinite(QString::number(number, 'g', maxSignificantDigits).toDouble()))
        return locale.toString(number, 'g', QLocale::FloatingPointShortest);
    return locale.toString(number, 'g', maxSignificantDigits);
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

EventValue EventValue::null()
{
    return EventValue(Null{});
}

EventValue EventValue::text(const QString &text)
{
    return EventValue(text);
}

EventValue EventValue::whole(qint64 number)
{
    return EventValue(number);
}

EventValue EventValue::number(double number)
{
    return EventValue(number);
}

EventValue::Kind EventValue::kind() const
{
    switch (m_value.index()) {
    case 0:
        return Kind::Empty;
    case 1:
        return Kind::Null;
    case 2:
        return Kind::Text;
    default:
        return Kind::Number;
    }
}

bool EventValue::isPresent() const
{
    if (const auto *text = std::get_if<QString>(&m_value))
        return !text->isEmpty();
    return kind() == Kind::Number;
}

QString EventValue::plainText(const QLocale &locale) const
{
    if (const auto *text = std::get_if<QString>(&m_value))
        return *text;
    if (const auto *whole = std::get_if<qint64>(&m_value))
        return withoutGrouping(locale).toString(*whole);
    if (const auto *number = std::get_if<double>(&m_value))
        return nonFiniteText(*number).value_or(decimalText(*number, withoutGrouping(locale)));
    return {};
}

QString EventValue::signColumnText() const
{
    if (const auto *whole = std::get_if<qint64>(&m_value))
        return signColumn(*whole);
    if (const auto *number = std::get_if<double>(&m_value))
        return signColumn(*number);
    if (const auto *text = std::get_if<QString>(&m_value)) {
        if (const auto number = readNumber(*text))
            return std::visit([](auto n) { return signColumn(n); }, *number);
        return *text;
    }
    return {};
}
