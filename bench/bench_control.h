#pragma once

#include "interface_control.h"

// Stands in for the device's control: takes every command and reports whatever the benchmark
// hands it, at once and on the window's thread, as the real control does.
class BenchControl : public InterfaceControl {
public:
    std::optional<QString> sendCommand(const QString &, const QString &) override
    {
        return std::nullopt;
    }

    void report(const ActionValues &values) { emit actionEvent(values); }
};
