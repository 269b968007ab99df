#include "protocol.h"

#include "variant_value.h"
#include "wide_text.h"

#include <cstring>

namespace {

using nlohmann::json;

json textObject(std::wstring_view text)
{
    json object = json::object();
    putText(object, text);
    return object;
}

json failure(const char *type, const ComFailure &failure)
{
    return {{"type", type},
            {"hresult", hexCode(failure.code)},
            {"description", textObject(failure.description)}};
}

std::string line(const json &message)
{
    return message.dump() + '\n';
}

ComFailure badCommand(const std::wstring &why)
{
    return {E_INVALIDARG, L"The host could not read the command: " + why};
}

} // namespace

std::string readyLine()
{
    return line({{"type", "ready"}});
}

std::string unavailableLine(const ComFailure &failure)
{
    return line(::failure("unavailable", failure));
}

std::string doneLine()
{
    return line({{"type", "done"}});
}

std::string failedLine(const ComFailure &failure)
{
    return line(::failure("failed", failure));
}

std::string actionLine(const std::array<const VARIANT *, actionValueCount> &values)
{
    json list = json::array();
    for (const VARIANT *value : values)
        list.push_back(value ? eventValue(*value) : json{{"kind", "empty"}});
    return line({{"type", "action"}, {"values", std::move(list)}});
}

std::variant<Command, ComFailure> parseCommand(const std::string &line)
{
    const json message = json::parse(line, nullptr, false);
    if (message.is_discarded() || !message.is_object())
        return badCommand(L"it is not a JSON object.");
    Command command;
    for (auto [field, target] : {std::pair{"verb", &command.verb}, {"command", &command.text}}) {
        const auto value = message.find(field);
        if (value == message.end() || !value->is_object())
            return badCommand(L"it has no text object \"" +
                              std::wstring(field, field + std::strlen(field)) + L"\".");
        const auto text = takeText(*value);
        if (!text)
            return badCommand(L"its \"" + std::wstring(field, field + std::strlen(field)) +
                              L"\" is not a text.");
        *target = *text;
    }
    return command;
}
