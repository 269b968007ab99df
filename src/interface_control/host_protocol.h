#pragma once

#include "action_values.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <variant>

// The program's side of the line protocol with the control host, one JSON object per line.
// Every text travels as an object holding "text" (UTF-8) or "utf16" (its code units), so that
// nothing is lost even of a text that is not well formed.
namespace HostProtocol {

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
using Message = std::variant<Ready, Unavailable, Done, Failed, Action>;

// What was wrong with a line from the host.
struct Malformed {
    QString what;
    bool operator==(const Malformed &) const = default;
};

// The longest line the host may write: far more than any report, small enough to be held.
constexpr qsizetype maxLineLength = 16 * 1024 * 1024;

std::variant<Message, Malformed> parseLine(QByteArrayView line);

// The line that hands a command to the host, newline included.
QByteArray commandLine(const QString &verb, const QString &text);

} // namespace HostProtocol
