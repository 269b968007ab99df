// Feeds a fresh simulated device a run of arbitrary verbs and command texts: each must be
// accepted with a well-formed report that agrees with the modules' brightness, or refused with
// a message and no change at all.

#include "fuzz_support.h"
#include "simulated_device.h"

#include <array>

namespace {

constexpr int units = SimulatedDevice::units;
constexpr int modules = SimulatedDevice::houseCodes * units;

std::array<double, modules> levels(const SimulatedDevice &device)
{
    std::array<double, modules> all{};
    for (int module = 0; module < modules; ++module)
        all[module] = device.brightness(module / units, module % units + 1);
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    using Function = SimulatedDevice::Function;
    FuzzedDataProvider data(bytes, size);
    SimulatedDevice device;
    while (data.remaining_bytes() > 0) {
        static const QString verbs[] = {QStringLiteral("sendplc"), QStringLiteral("sendrf")};
        const int pick = data.ConsumeIntegralInRange(0, 2);
        const QString verb = pick < 2 ? verbs[pick] : consumeText(data);
        const QString text = consumeText(data);
        const auto before = levels(device);
        const auto outcome = device.execute(verb, text);
        const auto after = levels(device);
        const auto parsed = SimulatedDevice::parse(text);
        require(parsed.index() == SimulatedDevice::parse(u' ' + text + " \t").index(),
                "blanks around a command change nothing", text);

        if (const auto *message = std::get_if<QString>(&outcome)) {
            require(!message->trimmed().isEmpty(), "a refusal says why", text);
            require(before == after, "a refused command changes nothing", *message);
            require((verb != u"sendplc" && verb != u"sendrf") || parsed.index() == 1,
                    "a known verb is refused only for its text", *message);
            continue;
        }
        const auto *command = std::get_if<SimulatedDevice::Command>(&parsed);
        require(command, "only a command that parses is carried out", text);
        const auto &report = std::get<ActionValues>(outcome);
        const int module = command->houseCode * units + command->unit - 1;
        const auto *named = std::get_if<QString>(&report.bszParm1.value());
        const QString name = named ? *named : QString();
        require(name == QChar(u'A' + command->houseCode) + QString::number(command->unit),
                "the report names the commanded module", name);
        for (int other = 0; other < modules; ++other)
            require(other == module || before[other] == after[other], "other modules keep theirs");
        require(report.bszAction == EventValue::text(verb) &&
                    report.bszParm2 ==
                        EventValue::text(text.simplified().section(u' ', 1, 1).toLower()),
                "the report names the verb and the function as typed, in lower case");
        require(report.bszParm4 == EventValue::fraction(after[module]) &&
                    report.bszParm5 == EventValue::fraction(after[module] - before[module]) &&
                    report.reserved == EventValue(),
                "the report gives the new brightness and the change");
        require(after[module] >= 0 && after[module] <= 100, "brightness stays within 0 to 100");
        const bool takesAmount =
            command->function == Function::Dim || command->function == Function::Bright;
        require(takesAmount == command->amount.has_value() && command->amount.value_or(0) >= 0 &&
                    command->amount.value_or(0) <= 100 &&
                    report.bszParm3 ==
                        (command->amount ? EventValue::fraction(*command->amount) : EventValue()),
                "dim and bright take an amount and report it, on and off do not");
        const double level = after[module];
        const double was = before[module];
        require(command->function == Function::On    ? level == 100
                : command->function == Function::Off ? level == 0
                : command->function == Function::Dim ? level <= was
                                                     : level >= was,
                "on is full, off is dark, dim never brightens and bright never dims");
    }
    return 0;
}
