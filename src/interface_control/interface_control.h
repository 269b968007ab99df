#pragma once

#include "action_values.h"

#include <QObject>
#include <QString>
#include <optional>

// What the window needs of the device's scripting control: one method to hand over a command
// and one event by which the control reports an action. Everything happens on the window's
// thread.
class InterfaceControl : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Hands the command text to the device with the verb "sendplc" (powerline) or "sendrf"
    // (radio). Gives nothing when the control took the command, otherwise the control's own
    // description of what went wrong. Never throws.
    virtual std::optional<QString> sendCommand(const QString &verb, const QString &text) = 0;

signals:
    void actionEvent(const ActionValues &values);
    // Something that went wrong outside any command, for the user to know: what happened, and
    // why, in the control's or the host's own words.
    void problem(const QString &what, const QString &why);
    // The control shows a window of its own that the user must answer first, or asked for the
    // program's windows to be disabled while it works (true); or that is over (false).
    void modalStateChanged(bool modal);
};
