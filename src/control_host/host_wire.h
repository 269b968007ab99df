#pragma once

#include "control_wire.h"

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <variant>

// The host's end of the wire to the program (control_wire.h): the lines it writes, each with its
// newline, and the commands it reads. Plain C++, with no Windows calls, so that it is fuzzed
// natively.
namespace HostWire {

// One value of a reported action.
using Value = nlohmann::json;
Value emptyValue();
Value nullValue();
Value textValue(std::u16string_view text);
Value wholeValue(std::int64_t number);
Value fractionValue(double number);
// A number held as a sign, a 96-bit magnitude and a count of decimal places: whole where it can
// be, a double where that holds every digit, and otherwise its exact decimal digits.
Value exactValue(bool negative, std::uint32_t high, std::uint64_t low, unsigned scale);

// A failure as the program shows it: the HRESULT and a description.
struct Failure {
    std::uint32_t code = 0;
    std::u16string description;
};

// Every text that would take its line past the longest one the wire takes is cut short, with a
// mark that says from how many characters: a failure's description, and an action's texts.
std::string readyLine();
std::string unavailableLine(const Failure &failure);
std::string doneLine();
std::string failedLine(const Failure &failure);
std::string actionLine(const std::array<Value, ControlContract::actionValueCount> &values);
std::string windowLine(bool open);
std::string modelessLine(bool enabled);

struct Command {
    std::u16string verb;
    std::u16string text;

    bool operator==(const Command &) const = default;
};

// The command on one line from the program, or why the line is not one.
std::variant<Command, Failure> parseCommand(std::string_view line);

} // namespace HostWire
