#pragma once

#include "com_failure.h"

#include <nlohmann/json.hpp>
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
nlohmann::json readyMessage();
nlohmann::json unavailableMessage(const ComFailure &failure);
nlohmann::json doneMessage();
nlohmann::json failedMessage(const ComFailure &failure);
nlohmann::json actionMessage(nlohmann::json values);

struct Command {
    std::wstring verb;
    std::wstring text;
};

// The command on one line from the program, or why the line is not one.
std::variant<Command, ComFailure> parseCommand(const std::string &line);
