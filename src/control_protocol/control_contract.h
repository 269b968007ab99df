#pragma once

#include <cstddef>

// What the program asks of the device's scripting control and hears from it, whichever end of
// the wire speaks: the verbs of its SendCommand and the number of values its ActionEvent
// carries. Plain C++, since the control host is a Windows program without Qt.
namespace ControlContract {

// The first argument of the control's SendCommand.
inline constexpr char powerlineVerb[] = "sendplc";
inline constexpr char radioVerb[] = "sendrf";

// The action, parameters 1 to 5 and the reserved value.
inline constexpr std::size_t actionValueCount = 7;

// The program's name: its window's title, and the container's name as the control is told it.
inline constexpr char16_t programName[] = u"KV27 Exerciser";

// The control's programmatic identifier, as its installer registers it, and its name on the
// program's form, as it reads it among its container's ambient properties and from the extender
// that gives it the form's name too.
inline constexpr char16_t programmaticId[] = u"HearthwickScriptLibCtl.Hearthwick";
inline constexpr char16_t controlName[] = u"Hearthwick1";
inline constexpr char16_t formName[] = u"Form1";

// The hosts, installed beside the program, in the order the program tries them: the 64-bit one
// first, then the 32-bit one that most installed controls need.
inline constexpr const char *hostPrograms[] = {"kv27-control-host64.exe",
                                               "kv27-control-host32.exe"};

} // namespace ControlContract
