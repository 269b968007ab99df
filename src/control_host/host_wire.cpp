#include "host_wire.h"

#include "exact_number.h"
#include "wire_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace HostWire {

namespace {

using namespace ControlWire;
using ControlContract::actionValueCount;
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

std::string line(const json &message)
{
    return message.dump() + '\n';
}

Failure badCommand(std::u16string_view why)
{
    return {invalidArgument, u"The host could not read the command: " + std::u16string(why)};
}

// What a double holds exactly, so that such a number reads the same through either form.
constexpr int doubleDigits = 15;

// The most room JSON gives one UTF-16 unit: "\u001f" in a string, "65535," in a list.
constexpr std::size_t mostBytesPerUnit = 6;
constexpr std::size_t markRoom = 64;

// The text as it fits in the room, in bytes, that a line leaves it: whole, or cut to what fits
// even if all its characters took the most room, never between the halves of a surrogate pair,
// with a mark that says from how many characters.
std::u16string fitted(std::u16string_view text, std::size_t room)
{
    if (text.size() * mostBytesPerUnit + markRoom <= room)
        return std::u16string(text);
    std::size_t keep = room > markRoom ? (room - markRoom) / mostBytesPerUnit : 0;
    if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF)
        --keep;
    const std::string count = std::to_string(text.size());
    return std::u16string(text.substr(0, keep)) + u"\u2026 (cut short from " +
           std::u16string(count.begin(), count.end()) + u" characters)";
}

std::size_t lineLength(const json &message)
{
    return line(message).size();
}

json emptyText()
{
    json value = kind(Kind::text);
    putText(value, u"");
    return value;
}

// The room each text of an action has, sharing equally what the rest of the line leaves.
std::size_t shareOfEachText(std::array<Value, actionValueCount> values)
{
    std::size_t texts = 0;
    for (Value &value : values)
        if (value.at(Field::kind) == Kind::text)
            value = emptyText(), ++texts;
    const std::size_t rest = lineLength({{Field::type, Type::action}, {Field::values, values}});
    return (maxLineLength - rest) / std::max<std::size_t>(texts, 1);
}

// The share of each of seven texts in an action of texts alone: no text keeps less.
std::size_t smallestShare()
{
    std::array<Value, actionValueCount> texts;
    texts.fill(emptyText());
    return shareOfEachText(texts);
}

std::array<Value, actionValueCount> cutToFit(std::array<Value, actionValueCount> values)
{
    const std::size_t share = shareOfEachText(values);
    for (Value &value : values)
        if (value.at(Field::kind) == Kind::text && value.dump().size() > share)
            value = textValue(fitted(takeText(value).value_or(u""), share));
    return values;
}

json failure(const char *type, const Failure &failure)
{
    json message{{Field::type, type}, {Field::hresult, hexCode(failure.code)}};
    message[Field::description] = textObject(u"");
    const std::size_t room = maxLineLength - lineLength(message);
    message[Field::description] = textObject(fitted(failure.description, room));
    return message;
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
    // A text longer than any line is cut at once, before the copies its writing makes, to what
    // it keeps beside any others, so that no later cut takes a second bite.
    if (text.size() > maxLineLength) {
        static const std::size_t atMost = smallestShare();
        return textValue(fitted(text, atMost));
    }
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

Value exactValue(bool negative, std::uint32_t high, std::uint64_t low, unsigned scale)
{
    const std::string text = exactDecimalText(negative, high, low, scale);
    const char *end = text.data() + text.size();
    std::int64_t whole = 0;
    if (const auto [at, error] = std::from_chars(text.data(), end, whole);
        error == std::errc() && at == end)
        return wholeValue(whole);
    // A whole number past 64 bits is written out; a fraction a double holds goes as one.
    const bool fractional = text.find('.') != std::string::npos;
    const auto significant =
        std::count_if(text.begin() + std::ptrdiff_t(text.find_first_of("123456789")), text.end(),
                      [](char c) { return c >= '0' && c <= '9'; });
    if (fractional && significant <= doubleDigits) {
        double fraction = 0;
        std::from_chars(text.data(), end, fraction);
        return fractionValue(fraction);
    }
    json value = kind(Kind::number);
    value[Field::decimal] = text;
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
    std::string written = line({{Field::type, Type::action}, {Field::values, values}});
    if (written.size() <= maxLineLength)
        return written;
    return line({{Field::type, Type::action}, {Field::values, cutToFit(values)}});
}

std::string windowLine(bool open)
{
    return line({{Field::type, Type::window}, {Field::open, open}});
}

std::string modelessLine(bool enabled)
{
    return line({{Field::type, Type::modeless}, {Field::enabled, enabled}});
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
