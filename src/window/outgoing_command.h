#pragma once

#include <QString>

// The four buttons that hand a command to the interface control.
enum class CommandButton { On, Off, SendPL, SendRF };

struct OutgoingCommand {
    QString verb; // "sendplc" for the powerline, "sendrf" for radio
    QString text;

    bool operator==(const OutgoingCommand &other) const = default;
};

// The command a button sends, given the text of its source box (the house code and unit for On
// and Off, the command line for the others) exactly as the box holds it: the user may mean
// every blank, and the device is the judge of what is valid.
OutgoingCommand outgoingCommand(CommandButton button, const QString &sourceText);
