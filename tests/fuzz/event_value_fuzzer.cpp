// Feeds the seven values of a reported action, of every kind and any content, through the
// renderings and the log line, and checks what the log and its reader rely on.

#include "action_values.h"
#include "fuzz_support.h"
#include "log_line.h"
#include "log_store.h"
#include "value_text.h"

#include <bit>
#include <cmath>
#include <optional>
#include <variant>

namespace {

using Number = std::variant<qint64, double>;

// A value and, when it is a number, the number itself.
std::pair<EventValue, std::optional<Number>> consumeValue(FuzzedDataProvider &data)
{
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return {data.ConsumeBool() ? EventValue() : EventValue::null(), {}};
    case 1:
        return {EventValue::text(consumeText(data)), {}};
    case 2: {
        const auto whole = data.ConsumeIntegral<qint64>();
        return {EventValue::whole(whole), whole};
    }
    default: // every bit pattern: NaNs, infinities, subnormals and negative zero included
        const auto number = std::bit_cast<double>(data.ConsumeIntegral<quint64>());
        return {EventValue::fraction(number), number};
    }
}

bool breaksTheLog(QChar ch)
{
    const char16_t code = ch.unicode();
    return code < 0x20 || code == 0x7F || code == 0x85 || code == 0x2028 || code == 0x2029 ||
           code == 0xFDD0 || code == 0xFDD1;
}

// Whether the text, read back in the locale, is the number to the fifteen significant digits
// that the renderings promise, and in plain decimals wherever they promise that.
bool showsNumber(const QString &shown, Number expected, const QLocale &locale)
{
    bool ok = false;
    if (const auto *whole = std::get_if<qint64>(&expected))
        return locale.toLongLong(shown.trimmed(), &ok) == *whole && ok;
    const double number = std::get<double>(expected);
    if (!std::isfinite(number))
        return shown.trimmed() == (std::isnan(number) ? u"NaN"
                                   : number > 0       ? u"Infinity"
                                                      : u"-Infinity");
    const double magnitude = std::abs(number);
    const bool plain = magnitude == 0 || (magnitude >= 1e-6 && magnitude <= 1e15);
    if (plain && shown.contains(locale.exponential(), Qt::CaseInsensitive))
        return false;
    const double tolerance = std::max(1e-14 * magnitude, std::numeric_limits<double>::denorm_min());
    return std::abs(locale.toDouble(shown.trimmed(), &ok) - number) <= tolerance && ok;
}

bool isSignColumn(const QString &field)
{
    return (field.startsWith(u' ') || field.startsWith(u'-')) &&
           std::all_of(field.begin(), field.end(), [](QChar ch) { return ch.unicode() < 0x80; });
}

// The field holds the text's characters one for one, only controls swapped for pictures.
bool keepsText(const QString &field, const QString &text)
{
    return field.size() == text.size() &&
           std::equal(field.begin(), field.end(), text.begin(),
                      [](QChar shown, QChar ch) { return shown == ch || breaksTheLog(ch); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // Full stop, comma and Arabic separators; ASCII and Arabic-Indic digits; a real minus sign.
    // Qt 6.4 cannot read back the Arabic negatives and exponents, nor the Swedish exponents,
    // that it writes; they are shown correctly all the same.
    static const std::pair<QLocale, bool> regions[] = {
        {QLocale::c(), true},
        {QLocale(QLocale::English, QLocale::UnitedStates), true},
        {QLocale(QLocale::German, QLocale::Germany), true},
        {QLocale(QLocale::Arabic, QLocale::Egypt), false},
        {QLocale(QLocale::Swedish, QLocale::Sweden), false},
    };
    FuzzedDataProvider data(bytes, size);
    const auto &[locale, readsItsOwnNumbers] =
        regions[data.ConsumeIntegralInRange<std::size_t>(0, std::size(regions) - 1)];
    QLocale::setDefault(locale);
    std::pair<EventValue, std::optional<Number>> generated[7];
    for (auto &value : generated)
        value = consumeValue(data);
    const QString line =
        logLine({generated[0].first, generated[1].first, generated[2].first, generated[3].first,
                 generated[4].first, generated[5].first, generated[6].first});

    require(line.count(u'\t') == 5, "exactly five field separators", line);
    for (QChar ch : line)
        require(ch == u'\t' || !breaksTheLog(ch), "nothing inside the line breaks it", line);
    const QStringList fields = line.split(u'\t');
    for (int i = 0; i < 6; ++i) {
        const auto &[value, number] = generated[i];
        const QString &field = fields[i];
        const QString plain = plainText(value, locale);
        require(field.isEmpty() == plain.isEmpty(), "a field is empty when its box is", field);
        require(!number || !plain.isEmpty(), "every number is shown, zero included");
        if (number && readsItsOwnNumbers)
            require(showsNumber(plain, *number, locale), "a box shows the number", plain);
        if (i < 3)
            require(keepsText(field, plain), "a text field keeps every character", field);
        else if (number)
            require(isSignColumn(field) && showsNumber(field, *number, QLocale::c()),
                    "a number's sign column is a blank or -, then the number", field);
        else // texts that read as numbers are shown as numbers
            require(keepsText(field, plain) || isSignColumn(field), "a text stays a text", field);
    }

    // The line must stay one line in the log's store and come back as it went in.
    LogStore log;
    log.insert(0, line);
    require(log.lineCount() == 1, "the log sees one line", line);
    require(log.text() == line, "the log keeps every character", log.text());
    return 0;
}
