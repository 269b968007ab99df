#pragma once

#include "com_failure.h"

#include <array>
#include <oaidl.h>
#include <string>
#include <variant>

// The host's side of the line protocol with the program. Every text is an object holding
// either "text" (UTF-8) or "utf16" (code units).
//   program -> host: {"verb": <text>, "command": <text>}
//   host -> program: {"type": "ready"} once the control is created, sited and listened to;
//                    {"type": "unavailable", "hresult": "0x...", "description": <text>} when
//                    it could not be, after which the host ends;
//                    {"type": "done"} or {"type": "failed", "hresult": ..., "description": ...}
//                    in reply to each command, in order;
//                    {"type": "action", "values": [seven values]} whenever the control reports.
// Each message as its line, newline included.
std::string readyLine();
std::string unavailableLine(const ComFailure &failure);
std::string doneLine();
std::string failedLine(const ComFailure &failure);

constexpr std::size_t actionValueCount = 7;
// The values in their order; a value the control left out is null and reads as empty.
std::string actionLine(const std::array<const VARIANT *, actionValueCount> &values);

struct Command {
    std::wstring verb;
    std::wstring text;
};

// The command on one line from the program, or why the line is not one.
std::variant<Command, ComFailure> parseCommand(const std::string &line);
