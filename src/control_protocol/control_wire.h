#pragma once

#include "control_contract.h"

#include <cstddef>

// The words that the program and the control host say to each other, in one place for both
// ends. Plain C++, since the host is a Windows program without Qt.
//
// One JSON object per line, in UTF-8. Every text is an object holding either "text" (its UTF-8)
// or, when its UTF-16 is not well formed or it begins with U+FEFF, "utf16" (the list of its code
// units).
//   program -> host: {"verb": <text>, "command": <text>}
//   host -> program: {"type": "ready"} once the control is created, sited and listened to;
//                    {"type": "unavailable", "hresult": "0x...", "description": <text>} when
//                    it could not be, after which the host ends;
//                    {"type": "done"} or {"type": "failed", "hresult": ..., "description": ...}
//                    in reply to each command, in order;
//                    {"type": "action", "values": [seven values]} whenever the control reports;
//                    {"type": "window", "open": <bool>} when the control shows its first window
//                    of its own (a message box, say) and when it has closed its last one;
//                    {"type": "modeless", "enabled": <bool>} when the control asks its
//                    container to disable its modeless windows, as a modal dialog does, and to
//                    enable them again.
// A value is {"kind": "empty"}, {"kind": "null"}, {"kind": "text", <text>},
// {"kind": "number", "whole": <64-bit integer>}, {"kind": "number", "fraction": <number>},
// where a fraction that is not finite is one of the names below, or
// {"kind": "number", "decimal": <string>} for a number with more digits than a double holds
// exactly: "-", digits and a full stop, with no superfluous zeros.
// A text that would take a report past the longest line is cut short, with a mark that says so.
namespace ControlWire {

// The longest line either end takes: far more than any report, small enough to be held.
inline constexpr std::size_t maxLineLength = 16 * 1024 * 1024;

// The longest decimal the host writes: the sign, "0." and as many places as a DECIMAL's scale
// can name. OLE Automation's own decimals have at most 28, but a control may fill in more, and
// its value is still exact.
inline constexpr std::size_t maxDecimalLength = 1 + 2 + 255;

namespace Field {
inline constexpr char verb[] = "verb";
inline constexpr char command[] = "command";
inline constexpr char type[] = "type";
inline constexpr char hresult[] = "hresult";
inline constexpr char description[] = "description";
inline constexpr char values[] = "values";
inline constexpr char kind[] = "kind";
inline constexpr char whole[] = "whole";
inline constexpr char fraction[] = "fraction";
inline constexpr char decimal[] = "decimal";
inline constexpr char open[] = "open";
inline constexpr char enabled[] = "enabled";
inline constexpr char text[] = "text";
inline constexpr char utf16[] = "utf16";
} // namespace Field

namespace Type {
inline constexpr char ready[] = "ready";
inline constexpr char unavailable[] = "unavailable";
inline constexpr char done[] = "done";
inline constexpr char failed[] = "failed";
inline constexpr char action[] = "action";
inline constexpr char window[] = "window";
inline constexpr char modeless[] = "modeless";
} // namespace Type

namespace Kind {
inline constexpr char empty[] = "empty";
inline constexpr char null[] = "null";
inline constexpr char text[] = "text";
inline constexpr char number[] = "number";
} // namespace Kind

namespace NonFinite {
inline constexpr char notANumber[] = "NaN";
inline constexpr char infinity[] = "Infinity";
inline constexpr char negativeInfinity[] = "-Infinity";
} // namespace NonFinite

} // namespace ControlWire
