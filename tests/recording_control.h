#pragma once

#include "interface_control.h"

#include <QList>
#include <QPair>

// Stands in for the device's control: remembers every command, fails it when told to, and
// reports whatever it is given, at once and on the window's thread, as the real control does.
class RecordingControl : public InterfaceControl {
public:
    std::optional<QString> sendCommand(const QString &verb, const QString &text) override
    {
        sent.append({verb, text});
        return failure;
    }

    void report(const ActionValues &values) { emit actionEvent(values); }
    void announce(const QString &what, const QString &why) { emit problem(what, why); }

    QList<QPair<QString, QString>> sent;
    std::optional<QString> failure;
};
