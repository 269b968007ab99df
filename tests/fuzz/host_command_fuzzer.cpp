// The control host's reading of the program's commands, built natively. Arbitrary bytes must give
// a command or say why not; a command read must read the same once written again; and whatever
// the program writes for a verb and a text, the host must read back exactly.

#include "fuzz_support.h"
#include "host_wire.h"
#include "program_wire.h"
#include "wire_text.h"

namespace {

using HostWire::Command;

// Unit for unit: QString::fromUtf16 would take a leading U+FFFE for a byte-order mark.
QString fromUtf16(const std::u16string &text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

QString describe(const Command &command)
{
    return fromUtf16(command.verb) + u'|' + fromUtf16(command.text);
}

std::string written(const Command &command)
{
    nlohmann::json verb = nlohmann::json::object();
    nlohmann::json text = nlohmann::json::object();
    putText(verb, command.verb);
    putText(text, command.text);
    return nlohmann::json{{ControlWire::Field::verb, verb}, {ControlWire::Field::command, text}}
        .dump();
}

void checkAnyLine(const std::string &line)
{
    const auto parsed = HostWire::parseCommand(line);
    if (const auto *failure = std::get_if<HostWire::Failure>(&parsed)) {
        require(!failure->description.empty(), "a refused line says why",
                QString::fromStdString(line));
        return;
    }
    const auto &command = std::get<Command>(parsed);
    const auto again = HostWire::parseCommand(written(command));
    require(std::get_if<Command>(&again) && std::get<Command>(again) == command,
            "a command reads the same once written again", describe(command));
}

void checkRoundTrip(FuzzedDataProvider &data)
{
    const QString verb = consumeText(data);
    const QString text = consumeText(data);
    QByteArray line = ProgramWire::commandLine(verb, text);
    require(line.endsWith('\n') && line.count('\n') == 1, "a command is one line", verb);
    line.chop(1);
    const auto parsed = HostWire::parseCommand(line.toStdString());
    const auto *command = std::get_if<Command>(&parsed);
    require(command, "the host reads every command the program writes", verb + u'|' + text);
    require(fromUtf16(command->verb) == verb && fromUtf16(command->text) == text,
            "the host reads the exact verb and text", describe(*command));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    if (data.ConsumeBool())
        checkAnyLine(data.ConsumeRemainingBytesAsString());
    else
        checkRoundTrip(data);
    return 0;
}
