#pragma once

#include "interface_control.h"

#include <QList>
#include <QPair>

// Stands in for the control in window tests: remembers every command and reports whatever the
// test tells it to.
class RecordingControl : public InterfaceControl {
public:
    std::optional<QString> sendCommand(const QString &verb, const QString &text) override
    {
        sent.append({verb, text});
        return failure;
    }

    void report(const ActionValues &values) { emit actionEvent(values); }

    QList<QPair<QString, QString>> sent;
    std::optional<QString> failure;
};
