#pragma once

#include "hosted_control.h"

#include <QList>
#include <QStringList>
#include <chrono>

class QWidget;

// The control behind the window on Windows: the device's own, hosted by the first control host
// that creates it, or else the simulated device. The choice waits until the window has been
// painted, so that a slow host never keeps it from being seen; a press before then makes it.
class StartupControl : public InterfaceControl {
    Q_OBJECT

public:
    StartupControl(QList<QStringList> hosts, HostedControl::Timeouts timeouts,
                   std::chrono::milliseconds transmissionDelay, QObject *parent = nullptr);

    void chooseOnceShown(QWidget *window);
    // Only the first call chooses. Without the device's control it says why over the window.
    void choose();

    std::optional<QString> sendCommand(const QString &verb, const QString &text) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QStringList> m_hosts;
    HostedControl::Timeouts m_timeouts;
    std::chrono::milliseconds m_transmissionDelay;
    InterfaceControl *m_chosen = nullptr;
};
