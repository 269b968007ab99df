#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

// Texts travel as JSON strings in UTF-8 when their UTF-16 is well formed, and otherwise as
// "utf16", the list of their code units, so that not even a stray surrogate is lost; so does a
// text that begins with a byte-order mark, which Qt's JSON reader would drop. Plain C++,
// with no Windows calls, so that it is fuzzed natively.
void putText(nlohmann::json &message, std::u16string_view text);

// The text that putText stored, or nothing when the message holds none or a broken one.
std::optional<std::u16string> takeText(const nlohmann::json &message);
