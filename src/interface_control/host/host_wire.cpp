#include "host_wire.h"

#include "wire_text.h"

#include <cmath>
#include <cstdio>

namespace HostWire {

namespace {

using namespace ControlWire;
using nlohmann::json;

// E_INVALIDARG
constexpr std::uint32_t invalidArgument = 0x80070057;

json kind(const char *name)
{
    return json{{Field::kind, name}};
}

json textObject(std::u16string_view text)
{
    json object = json::object();
    putText(object, text);
    return object;
}

// "0x80020009"
std::string hexCode(std::uint32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

json failure(const char *type, const Failure &failure)
{
    return {{Field::type, type},
            {Field::hresult, hexCode(failure.code)},
            {Field::description, textObject(failure.description)}};
}

std::string line(const json &message)
{
    return message.dump() + '\n';
}

Failure badCommand(std::u16string_view why)
{
    return {invalidArgument, u"The host could not read the command: " + std::u16string(why)};
}

std::u16string quoted(const char *field)
{
    return u'"' + std::u16string(field, field + std::char_traits<char>::length(field)) + u'"';
}

} // namespace

Value emptyValue()
{
    return kind(Kind::empty);
}

Value nullValue()
{
    return kind(Kind::null);
}

Value textValue(std::u16string_view text)
{
    json value = kind(Kind::text);
    putText(value, text);
    return value;
}

Value wholeValue(std::int64_t number)
{
    json value = kind(Kind::number);
    value[Field::whole] = number;
    return value;
}

Value fractionValue(double number)
{
    json value = kind(Kind::number);
    if (std::isnan(number))
        value[Field::fraction] = NonFinite::notANumber;
    else if (std::isinf(number))
        value[Field::fraction] = number > 0 ? NonFinite::infinity : NonFinite::negativeInfinity;
    else
        value[Field::fraction] = number;
    return value;
}

std::string readyLine()
{
    return line({{Field::type, Type::ready}});
}

std::string unavailableLine(const Failure &failure)
{
    return line(HostWire::failure(Type::unavailable, failure));
}

std::string doneLine()
{
    return line({{Field::type, Type::done}});
}

std::string failedLine(const Failure &failure)
{
    return line(HostWire::failure(Type::failed, failure));
}

std::string actionLine(const std::array<Value, actionValueCount> &values)
{
    return line({{Field::type, Type::action}, {Field::values, values}});
}

std::variant<Command, Failure> parseCommand(std::string_view line)
{
    if (line.size() > maxLineLength)
        return badCommand(u"it is too long.");
    const json message = json::parse(line, nullptr, false);
    if (message.is_discarded() || !message.is_object())
        return badCommand(u"it is not a JSON object.");
    Command command;
    for (auto [field, target] :
         {std::pair{Field::verb, &command.verb}, {Field::command, &command.text}}) {
        const auto value = message.find(field);
        if (value == message.end() || !value->is_object())
            return badCommand(u"it has no text object " + quoted(field) + u".");
        const auto text = takeText(*value);
        if (!text)
            return badCommand(u"its " + quoted(field) + u" is not a text.");
        *target = *text;
    }
    return command;
}

} // namespace HostWire
