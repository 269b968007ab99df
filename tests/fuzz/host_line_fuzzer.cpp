// The program's reading of the control host's lines. Arbitrary bytes must give a message or say
// what is wrong with them; and whatever the host's own writers make of a report or a failure,
// the program must read back exactly.

#include "fuzz_support.h"
#include "host_wire.h"
#include "program_wire.h"

#include <cmath>

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
        return {HostWire::fractionValue(fraction), EventValue::number(fraction)};
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
    std::array<HostWire::Value, ControlWire::actionValueCount> written;
    std::array<EventValue, ControlWire::actionValueCount> expected;
    for (std::size_t i = 0; i < written.size(); ++i)
        std::tie(written[i], expected[i]) = consumeValue(data);
    const QByteArray line = withoutNewline(HostWire::actionLine(written));
    const auto parsed = parseLine(line);
    const auto *message = std::get_if<Message>(&parsed);
    const auto *action = message ? std::get_if<Action>(message) : nullptr;
    require(action, "the program reads every action the host writes", line);
    const ActionValues &values = action->values;
    const EventValue *read[] = {&values.bszAction, &values.bszParm1, &values.bszParm2,
                                &values.bszParm3,  &values.bszParm4, &values.bszParm5,
                                &values.reserved};
    for (std::size_t i = 0; i < expected.size(); ++i)
        require(same(*read[i], expected[i]), "every value reads back as it was written", line);
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
    switch (data.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        const std::string line = data.ConsumeRemainingBytesAsString();
        checkAnyLine(QByteArray::fromStdString(line));
        break;
    }
    case 1:
        checkActionRoundTrip(data);
        break;
    default:
        checkFailureRoundTrip(data);
        break;
    }
    return 0;
}
