#pragma once

#include "hosted_control.h"

#include <QList>
#include <QStringList>
#include <chrono>

class HostSession;

// The control behind the window on Windows: the device's own, hosted by the first of the control
// hosts that creates it, or else the simulated device, which it announces as a problem. The
// hosts are tried one after the other while the event loop turns, once the window has been
// painted, so that a slow host never keeps the window from being seen or used; a press before
// the choice is made waits for it, within the press's bound.
class StartupControl : public InterfaceControl {
    Q_OBJECT

public:
    StartupControl(QList<QStringList> hosts, HostedControl::Timeouts timeouts,
                   std::chrono::milliseconds transmissionDelay, QObject *parent = nullptr);

    // The control's own windows go in front of the native window given, if any.
    void chooseOnceShown(QObject *window, quintptr nativeWindow = 0);
    // Starts trying the hosts, unless that has begun, and returns at once.
    void choose();

    std::optional<QString> sendCommand(const QString &verb, const QString &text) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tryNextHost();
    // Each reason once, with the hosts that gave it.
    QString whyNoHostCould() const;
    // Takes the candidate's settled start: chosen, or on to the next host.
    void settle();

    QList<QStringList> m_hosts;
    qsizetype m_nextHost = 0;
    HostedControl::Timeouts m_timeouts;
    std::chrono::milliseconds m_transmissionDelay;
    // Why each host tried could not create the control, and the host's file name.
    QList<std::pair<QString, QString>> m_failures;
    HostSession *m_candidate = nullptr;
    // Set while a press waits for the candidate, which it then settles itself.
    bool m_pressWaiting = false;
    QStringList m_ownerArguments;
    InterfaceControl *m_chosen = nullptr;
    HostedControl *m_hosted = nullptr; // the chosen one, when it is hosted
};
