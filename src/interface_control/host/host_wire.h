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

// A failure as the program shows it: the HRESULT and a description.
struct Failure {
    std::uint32_t code = 0;
    std::u16string description;
};

std::string readyLine();
std::string unavailableLine(const Failure &failure);
std::string doneLine();
std::string failedLine(const Failure &failure);
std::string actionLine(const std::array<Value, ControlWire::actionValueCount> &values);

struct Command {
    std::u16string verb;
    std::u16string text;

    bool operator==(const Command &) const = default;
};

// The command on one line from the program, or why the line is not one.
std::variant<Command, Failure> parseCommand(std::string_view line);

} // namespace HostWire
