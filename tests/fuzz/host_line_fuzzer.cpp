// The program's reading of the control host's lines. Arbitrary bytes must give a message or say
// what is wrong with them; and whatever the host's own writers make of a report or a failure,
// the program must read back exactly.

#include "fuzz_support.h"
#include "host_wire.h"
#include "program_wire.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

using namespace ProgramWire;

std::u16string toUtf16(const QString &text)
{
    return {reinterpret_cast<const char16_t *>(text.utf16()), std::size_t(text.size())};
}

QByteArray withoutNewline(const std::string &line)
{
    require(!line.empty() && line.back() == '\n', "the host ends every line");
    return QByteArray::fromStdString(line.substr(0, line.size() - 1));
}

// An action as the host writes it, and the values the program reads of it.
std::pair<QByteArray, ActionValues>
readBack(const std::array<HostWire::Value, ControlContract::actionValueCount> &written)
{
    QByteArray line = withoutNewline(HostWire::actionLine(written));
    const auto parsed = parseLine(line);
    const auto *message = std::get_if<Message>(&parsed);
    const auto *action = message ? std::get_if<Action>(message) : nullptr;
    require(action, "the program reads every action the host writes", line);
    return {line, action->values};
}

// A value as the host writes it and as the program must read it.
std::pair<HostWire::Value, EventValue> consumeValue(FuzzedDataProvider &data)
{
    switch (data.ConsumeIntegralInRange(0, 4)) {
    case 0:
        return {HostWire::emptyValue(), EventValue()};
    case 1:
        return {HostWire::nullValue(), EventValue::null()};
    case 2: {
        const QString text = consumeText(data);
        return {HostWire::textValue(toUtf16(text)), EventValue::text(text)};
    }
    case 3: {
        const auto whole = data.ConsumeIntegral<std::int64_t>();
        return {HostWire::wholeValue(whole), EventValue::whole(whole)};
    }
    default: {
        const auto fraction = data.ConsumeFloatingPoint<double>();
        return {HostWire::fractionValue(fraction), EventValue::fraction(fraction)};
    }
    }
}

// NaN equals nothing, itself included.
bool same(const EventValue &read, const EventValue &written)
{
    const auto *a = std::get_if<double>(&read.value());
    const auto *b = std::get_if<double>(&written.value());
    if (a && b && std::isnan(*a))
        return std::isnan(*b);
    return read == written;
}

// A number held as OLE Automation's DECIMAL holds it reads back as that number: exactly, as a
// whole number or as its digits, or as the double nearest to it where that holds every digit.
void checkExactNumber(FuzzedDataProvider &data)
{
    const bool negative = data.ConsumeBool();
    const auto high = data.ConsumeIntegral<std::uint32_t>();
    const auto low = data.ConsumeIntegral<std::uint64_t>();
    // OLE Automation's own decimals have at most 28 places, but a control may name up to 255.
    const auto scale = data.ConsumeIntegralInRange<unsigned>(0, 255);
    std::array<HostWire::Value, ControlContract::actionValueCount> written;
    written.fill(HostWire::emptyValue());
    written[0] = HostWire::exactValue(negative, high, low, scale);
    const auto [line, values] = readBack(written);
    const EventValue &read = values.bszAction;

    const unsigned __int128 magnitude = (static_cast<unsigned __int128>(high) << 64) | low;
    const long double exact = (negative ? -1.0L : 1.0L) * static_cast<long double>(magnitude) /
                              std::pow(10.0L, static_cast<long double>(scale));
    if (const auto *whole = std::get_if<qint64>(&read.value())) {
        const auto wholeMagnitude = *whole < 0 ? 0 - static_cast<unsigned __int128>(*whole)
                                               : static_cast<unsigned __int128>(*whole);
        // Past 38 places the magnitude, below 2 to the 96th, is whole only when it is zero.
        unsigned __int128 power = 1;
        for (unsigned i = 0; i < std::min(scale, 38u); ++i)
            power *= 10;
        require((scale <= 38 || magnitude == 0) && magnitude % power == 0 &&
                    magnitude / power == wholeMagnitude &&
                    (*whole < 0) == (negative && magnitude != 0),
                "a whole number is the number", line);
    } else if (const auto *number = std::get_if<double>(&read.value())) {
        require(std::fabs(static_cast<long double>(*number) - exact) <= std::fabs(exact) * 1e-15L,
                "a double is the number's nearest", line);
    } else {
        const auto *decimal = std::get_if<EventValue::Decimal>(&read.value());
        require(decimal, "a number reads back as a number", line);
        const std::string digits = decimal->digits.toStdString();
        std::string_view rest = digits;
        require(rest.starts_with('-') == (negative && magnitude != 0), "the sign is kept", line);
        if (rest.starts_with('-'))
            rest.remove_prefix(1);
        unsigned __int128 value = 0;
        unsigned places = 0;
        bool afterPoint = false;
        for (const char c : rest) {
            if (c == '.') {
                afterPoint = true;
                continue;
            }
            value = value * 10 + unsigned(c - '0');
            places += afterPoint;
        }
        require(places <= scale, "no more places than the number has", line);
        for (unsigned i = places; i < scale; ++i)
            value *= 10;
        require(value == magnitude, "every digit is kept", line);
    }
}

void checkAnyLine(const QByteArray &line)
{
    const auto parsed = parseLine(line);
    if (const auto *problem = std::get_if<Malformed>(&parsed)) {
        require(!problem->what.isEmpty(), "a malformed line says what is wrong", line);
        return;
    }
    const auto &message = std::get<Message>(parsed);
    const auto *failed = std::get_if<Failed>(&message);
    const auto *unavailable = std::get_if<Unavailable>(&message);
    if (failed || unavailable) {
        const QString reason = failed ? failed->reason : unavailable->reason;
        require(reason.contains(QStringLiteral("(HRESULT 0x")), "a failure names its HRESULT",
                reason);
    }
}

void checkActionRoundTrip(FuzzedDataProvider &data)
{
    std::array<HostWire::Value, ControlContract::actionValueCount> written;
    std::array<EventValue, ControlContract::actionValueCount> expected;
    for (std::size_t i = 0; i < written.size(); ++i)
        std::tie(written[i], expected[i]) = consumeValue(data);
    const auto [line, values] = readBack(written);
    for (std::size_t i = 0; i < expected.size(); ++i)
        require(same(values[i], expected[i]), "every value reads back as it was written", line);
}

void checkFailureRoundTrip(FuzzedDataProvider &data)
{
    const auto code = data.ConsumeIntegral<std::uint32_t>();
    const QString description = consumeText(data);
    const bool unavailable = data.ConsumeBool();
    const HostWire::Failure failure{code, toUtf16(description)};
    const QByteArray line = withoutNewline(unavailable ? HostWire::unavailableLine(failure)
                                                       : HostWire::failedLine(failure));
    const QString expected = QStringLiteral("%1 (HRESULT 0x%2)")
                                 .arg(description.trimmed(),
                                      QStringLiteral("%1").arg(code, 8, 16, QChar(u'0')).toUpper());
    const auto parsed = parseLine(line);
    const auto *message = std::get_if<Message>(&parsed);
    require(message, "the program reads every failure the host writes", line);
    const QString reason =
        unavailable ? std::get<Unavailable>(*message).reason : std::get<Failed>(*message).reason;
    require(reason == expected, "a failure reads back as its description and HRESULT", reason);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0: {
        const std::string line = data.ConsumeRemainingBytesAsString();
        checkAnyLine(QByteArray::fromStdString(line));
        break;
    }
    case 1:
        checkActionRoundTrip(data);
        break;
    case 2:
        checkExactNumber(data);
        break;
    default:
        checkFailureRoundTrip(data);
        break;
    }
    return 0;
}
