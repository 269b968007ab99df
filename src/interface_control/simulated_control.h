#pragma once

#include "interface_control.h"
#include "simulated_device.h"

#include <QTimer>
#include <chrono>
#include <deque>

// Stands in for the vendor's control: the simulated device answers each accepted command with
// one reported action, a transmission delay after the call has returned, in the order sent.
class SimulatedControl : public InterfaceControl {
    Q_OBJECT

public:
    explicit SimulatedControl(std::chrono::milliseconds transmissionDelay,
                              QObject *parent = nullptr);

    std::optional<QString> sendCommand(const QString &verb, const QString &text) override;

private:
    void reportNext();

    SimulatedDevice m_device;
    std::deque<ActionValues> m_pending;
    QTimer m_transmission;
};
