// Feeds a fresh simulated device a run of arbitrary verbs and command texts: each must be
// accepted with a well-formed report that matches the modules' brightness, or refused with a
// message and no change at all.

#include "fuzz_support.h"
#include "log_line.h"
#include "simulated_device.h"

#include <QRegularExpression>
#include <array>

namespace {

constexpr int modules = 16 * 16;
using Levels = std::array<double, modules>;

Levels levels(const SimulatedDevice &device)
{
    Levels all{};
    for (int houseCode = 0; houseCode < 16; ++houseCode) {
        for (int unit = 1; unit <= 16; ++unit)
            all[houseCode * 16 + unit - 1] = device.brightness(houseCode, unit);
    }
    return all;
}

QString consumeVerb(FuzzedDataProvider &data)
{
    switch (data.ConsumeIntegralInRange(0, 2)) {
    case 0:
        return QStringLiteral("sendplc");
    case 1:
        return QStringLiteral("sendrf");
    default:
        return consumeText(data);
    }
}

void checkReport(const ActionValues &report, const QString &verb,
                 const SimulatedDevice::Command &command, const Levels &before, const Levels &after)
{
    using Function = SimulatedDevice::Function;
    static const QRegularExpression address(QStringLiteral("^([A-P])([1-9]|1[0-6])$"));
    const auto match = address.match(report.bszParm1.plainText());
    require(match.hasMatch(), "the report names one module", report.bszParm1.plainText());
    require(match.captured(1)[0].unicode() - u'A' == command.houseCode &&
                match.captured(2).toInt() == command.unit,
            "the report names the commanded module", report.bszParm1.plainText());
    const int module = command.houseCode * 16 + command.unit - 1;
    for (int other = 0; other < modules; ++other)
        require(other == module || before[other] == after[other], "other modules keep theirs");

    static const char16_t *const names[] = {u"on", u"off", u"dim", u"bright"};
    require(report.bszAction == EventValue::text(verb), "the report names the verb");
    require(report.bszParm2 == EventValue::text(QString::fromUtf16(names[int(command.function)])),
            "the report names the function", report.bszParm2.plainText());
    require(report.bszParm4 == EventValue::number(after[module]),
            "the report gives the module's new brightness", report.bszParm4.plainText());
    require(report.bszParm5 == EventValue::number(after[module] - before[module]),
            "the report gives the change", report.bszParm5.plainText());
    require(report.reserved == EventValue(), "the reserved value is left empty");
    require(after[module] >= 0 && after[module] <= 100, "brightness stays within 0 to 100");

    switch (command.function) {
    case Function::On:
    case Function::Off:
        require(!command.amount && report.bszParm3 == EventValue(), "on and off take no amount");
        require(after[module] == (command.function == Function::On ? 100 : 0),
                "on is full, off is dark");
        return;
    case Function::Dim:
    case Function::Bright:
        require(command.amount && *command.amount >= 0 && *command.amount <= 100,
                "amounts run from 0 to 100");
        require(report.bszParm3 == EventValue::number(*command.amount),
                "the report gives the amount", report.bszParm3.plainText());
        const double expected = command.function == Function::Dim
                                    ? std::max(0.0, before[module] - *command.amount)
                                    : std::min(100.0, before[module] + *command.amount);
        require(after[module] == expected, "dim and bright move by the amount within 0 to 100");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    SimulatedDevice device;
    while (data.remaining_bytes() > 0) {
        const QString verb = consumeVerb(data);
        const QString text = consumeText(data);
        const Levels before = levels(device);

        const auto outcome = device.execute(verb, text);
        const Levels after = levels(device);
        const auto parsed = SimulatedDevice::parse(text);
        // Blanks around the words do not change what the device makes of them.
        const auto padded = SimulatedDevice::parse(u' ' + text + QStringLiteral(" \t"));
        require(parsed.index() == padded.index(), "blanks around a command change nothing", text);

        if (const auto *message = std::get_if<QString>(&outcome)) {
            require(!message->trimmed().isEmpty(), "a refusal says why", text);
            require(before == after, "a refused command changes nothing", *message);
            const bool knownVerb = verb == u"sendplc" || verb == u"sendrf";
            require(!knownVerb || std::holds_alternative<QString>(parsed),
                    "a known verb is refused only for its text", *message);
            continue;
        }
        const auto *command = std::get_if<SimulatedDevice::Command>(&parsed);
        require(command, "only a command that parses is carried out", text);
        const auto &report = std::get<ActionValues>(outcome);
        checkReport(report, verb, *command, before, after);
        require(logLine(report).count(u'\t') == 5, "the report makes one log line");
    }
    return 0;
}
