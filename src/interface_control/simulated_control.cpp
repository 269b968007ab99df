#include "simulated_control.h"

SimulatedControl::SimulatedControl(std::chrono::milliseconds transmissionDelay, QObject *parent)
    : InterfaceControl(parent)
{
    m_transmission.setSingleShot(true);
    m_transmission.setInterval(transmissionDelay);
    connect(&m_transmission, &QTimer::timeout, this, &SimulatedControl::reportNext);
}

std::optional<QString> SimulatedControl::sendCommand(const QString &verb, const QString &text)
{
    auto outcome = m_device.execute(verb, text);
    if (auto *error = std::get_if<QString>(&outcome))
        return std::move(*error);
    m_pending.push_back(std::move(std::get<ActionValues>(outcome)));
    if (!m_transmission.isActive())
        m_transmission.start();
    return std::nullopt;
}

void SimulatedControl::reportNext()
{
    const ActionValues report = std::move(m_pending.front());
    m_pending.pop_front();
    // Restart first: the handler may send again, and that command must queue behind this one.
    if (!m_pending.empty())
        m_transmission.start();
    emit actionEvent(report);
}
