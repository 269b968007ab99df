#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

// Texts travel as JSON strings in UTF-8 when their UTF-16 is well formed, and otherwise as
// "utf16", the list of their code units, so that not even a stray surrogate is lost.
void putText(nlohmann::json &message, std::wstring_view text);

// The text that putText stored, or nothing when the message holds none or a broken one.
std::optional<std::wstring> takeText(const nlohmann::json &message);
