// Feeds the seven values of a reported action, of every kind and any content, through the
// renderings and the log line, and checks what the log relies on.

#include "action_values.h"
#include "fuzz_support.h"
#include "log_line.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <variant>

namespace {

using Number = std::variant<qint64, double>;

// A value and, when it is a number, the number itself, to compare the renderings against.
struct Generated {
    EventValue value;
    std::optional<Number> number;
};

Generated consumeValue(FuzzedDataProvider &data)
{
    switch (data.ConsumeIntegralInRange(0, 4)) {
    case 0:
        return {EventValue(), {}};
    case 1:
        return {EventValue::null(), {}};
    case 2:
        return {EventValue::text(consumeText(data)), {}};
    case 3: {
        const auto whole = data.ConsumeIntegral<qint64>();
        return {EventValue::whole(whole), whole};
    }
    default: {
        // Every bit pattern: NaNs, infinities, subnormals and negative zero included.
        const auto number = std::bit_cast<double>(data.ConsumeIntegral<quint64>());
        return {EventValue::number(number), number};
    }
    }
}

struct Region {
    QLocale locale;
    // Qt 6.4 cannot read back the Arabic negatives and exponents, nor the Swedish exponents,
    // that it writes; they are shown correctly all the same.
    bool readsItsOwnNumbers;
};

const Region &consumeRegion(FuzzedDataProvider &data)
{
    // Full stop, comma and Arabic separators; ASCII and Arabic-Indic digits; a real minus sign.
    static const Region regions[] = {
        {QLocale::c(), true},
        {QLocale(QLocale::English, QLocale::UnitedStates), true},
        {QLocale(QLocale::German, QLocale::Germany), true},
        {QLocale(QLocale::Arabic, QLocale::Egypt), false},
        {QLocale(QLocale::Swedish, QLocale::Sweden), false},
    };
    return regions[data.ConsumeIntegralInRange<std::size_t>(0, std::size(regions) - 1)];
}

bool breaksTheLog(QChar ch)
{
    const char16_t code = ch.unicode();
    return code < 0x20 || code == 0x7F || code == 0x85 || code == 0x2028 || code == 0x2029 ||
           code == 0xFDD0 || code == 0xFDD1;
}

// The number a text stands for when read the plain way: C locale, blanks around it allowed.
std::optional<Number> numberIn(const QString &text)
{
    bool ok = false;
    if (const qint64 whole = text.trimmed().toLongLong(&ok); ok)
        return whole;
    if (const double number = QLocale::c().toDouble(text.trimmed(), &ok);
        ok && std::isfinite(number))
        return number;
    return std::nullopt;
}

// Whether the rendering, read back in the given locale, is the number.
bool sameNumber(Number expected, const QString &rendering, const QLocale &locale = QLocale::c())
{
    bool ok = false;
    if (const auto *whole = std::get_if<qint64>(&expected))
        return locale.toLongLong(rendering.trimmed(), &ok) == *whole && ok;
    const double number = std::get<double>(expected);
    if (std::isnan(number))
        return rendering.trimmed() == u"NaN";
    if (std::isinf(number))
        return rendering.trimmed() == (number > 0 ? u"Infinity" : u"-Infinity");
    const double shown = locale.toDouble(rendering.trimmed(), &ok);
    // Fifteen significant digits are what the renderings promise.
    const double tolerance =
        std::max(1e-14 * std::abs(number), std::numeric_limits<double>::denorm_min());
    return ok && std::abs(shown - number) <= tolerance;
}

bool isSignColumn(const QString &field)
{
    if (!field.startsWith(u' ') && !field.startsWith(u'-'))
        return false;
    return std::all_of(field.begin(), field.end(), [](QChar ch) { return ch.unicode() < 0x80; });
}

// The field holds the text's characters one for one, only controls swapped for pictures.
bool keepsText(const QString &field, const QString &text)
{
    if (field.size() != text.size())
        return false;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != text[i] && !breaksTheLog(text[i]))
            return false;
    }
    return true;
}

void checkField(const QString &field, const Generated &generated, bool signColumn,
                const Region &region)
{
    const QLocale &locale = region.locale;
    const EventValue &value = generated.value;
    const QString plain = value.plainText(locale);
    require(value.isPresent() == !plain.isEmpty(),
            "present exactly when its plain text is not empty", plain);
    if (generated.number) {
        require(value.isPresent(), "every number is present");
        if (region.readsItsOwnNumbers)
            require(sameNumber(*generated.number, plain, locale), "a box reads back as the number",
                    plain);
    }
    require(field.isEmpty() == !value.isPresent(), "a field is empty exactly when absent", field);
    if (!value.isPresent())
        return;

    if (!signColumn) {
        require(keepsText(field, plain), "a text field keeps every character", field);
        return;
    }
    if (const auto number = generated.number ? generated.number : numberIn(plain)) {
        require(isSignColumn(field), "a number's sign column starts with a blank or -", field);
        require(sameNumber(*number, field), "a sign column reads back as the number", field);
        return;
    }
    // Texts that read as numbers only in the user's locale are shown as numbers too.
    require(keepsText(field, plain) || isSignColumn(field),
            "a non-numeric text is logged unchanged", field);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const Region &region = consumeRegion(data);
    QLocale::setDefault(region.locale);
    Generated generated[7];
    for (Generated &value : generated)
        value = consumeValue(data);
    const ActionValues values{generated[0].value, generated[1].value, generated[2].value,
                              generated[3].value, generated[4].value, generated[5].value,
                              generated[6].value};

    const QString line = logLine(values, region.locale);
    require(line.count(u'\t') == 5, "exactly five field separators", line);
    for (QChar ch : line)
        require(ch == u'\t' || !breaksTheLog(ch), "nothing inside the line breaks it", line);
    const QStringList fields = line.split(u'\t');
    for (int i = 0; i < 6; ++i)
        checkField(fields[i], generated[i], i >= 3, region);

    // The log box is a text document: the line must stay one block and come back as it went in.
    QTextDocument log;
    log.setPlainText(line);
    require(log.blockCount() == 1, "the log box sees one line", line);
    require(log.toRawText() == line, "the log box keeps every character", log.toRawText());
    return 0;
}
