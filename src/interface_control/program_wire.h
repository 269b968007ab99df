#pragma once

#include "action_values.h"
#include "control_wire.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <variant>

// The program's end of the wire to the control host (control_wire.h): it reads the host's lines
// and writes the commands.
namespace ProgramWire {

// The host has created the control and listens to it.
struct Ready {
    bool operator==(const Ready &) const = default;
};
// The host could not create the control and ends.
struct Unavailable {
    QString reason;
    bool operator==(const Unavailable &) const = default;
};
// The control took the command.
struct Done {
    bool operator==(const Done &) const = default;
};
// The control refused the command, or the host could not hand it over.
struct Failed {
    QString reason;
    bool operator==(const Failed &) const = default;
};
// The control reported an action.
struct Action {
    ActionValues values;
    bool operator==(const Action &) const = default;
};
// The control opened its first window of its own, or closed its last one.
struct ControlWindow {
    bool open = false;
    bool operator==(const ControlWindow &) const = default;
};
// The control asked for the program's windows to be disabled (false), or enabled again.
struct Modeless {
    bool enabled = true;
    bool operator==(const Modeless &) const = default;
};
using Message = std::variant<Ready, Unavailable, Done, Failed, Action, ControlWindow, Modeless>;

// What was wrong with a line from the host.
struct Malformed {
    QString what;
    bool operator==(const Malformed &) const = default;
};

std::variant<Message, Malformed> parseLine(QByteArrayView line);

// The line that hands a command to the host, newline included.
QByteArray commandLine(const QString &verb, const QString &text);

} // namespace ProgramWire
