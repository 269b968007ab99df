#pragma once

#include "host_session.h"
#include "interface_control.h"

#include <QList>
#include <QStringList>
#include <chrono>
#include <optional>

// The device's scripting control behind the window on Windows, hosted by the first of the
// control hosts that can create it, in a process of the control's own bitness; that host stays
// the one for the program's life. Each host process is a session: a session that ends costs at
// most the command at hand, and the next command starts a fresh one. Until a host is chosen the
// hosts are tried one after the other while the event loop turns, once the window has been
// painted, so that a slow host never keeps the window from being seen or used; a press made
// meanwhile waits for the choice within the press's bound. Where no host can create the control
// the simulated device, if there is one, stands in, and that is announced as a problem; without
// it the press says why, and the next press tries the hosts again. Reported actions come on
// this object's thread in the order the host wrote them, never while a command is being sent.
class HostedControl : public InterfaceControl {
    Q_OBJECT

public:
    using Timeouts = HostSession::Timeouts;

    enum class State {
        // Nothing chosen and nothing being tried: before the first try, and once every host
        // failed where nothing stands in, so that the next press tries them again.
        NoHost,
        TryingHosts,
        // A host created the control. Should its process end, the next command starts it again.
        Hosted,
        // No host could create the control, and the simulated device stands in.
        StandIn,
    };

    // Each host is a program and its arguments. The stand-in's transmission delay, if any, is
    // the simulated device's.
    HostedControl(QList<QStringList> hosts, Timeouts timeouts,
                  std::optional<std::chrono::milliseconds> standIn = std::nullopt,
                  QObject *parent = nullptr);
    ~HostedControl() override;

    // Follows the program's window: the hosts are tried once it has been painted, the control's
    // own windows go in front of the native window given, if any, and when the window is closed
    // whatever a press waits for is given up and the host let go.
    void followWindow(QObject *window, quintptr nativeWindow = 0);
    // Starts trying the hosts, unless that has begun, and returns at once.
    void choose();
    State state() const { return m_state; }
    // Holds the caller until a host has created the control or the stand-in stands in, or the
    // deadline passes; gives why not. Time the control's own windows were open is added to the
    // deadline.
    std::optional<QString> waitUntilChosen(QDeadlineTimer &deadline);

    std::optional<QString> sendCommand(const QString &verb, const QString &text) override;

signals:
    void stateChanged(HostedControl::State state);
    // The chosen host's process ended between commands, and why.
    void hostEnded(const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setState(State state);
    void startSession();
    void dropSession();
    void retire();
    void onStateChanged(HostSession::State state);
    // Takes the candidate's failed start: on to the next host, or to the stand-in.
    void tryNextHost();
    // Each reason once, with the hosts that gave it.
    QString whyNoHostCould() const;

    QList<QStringList> m_hosts;
    Timeouts m_timeouts;
    std::optional<std::chrono::milliseconds> m_standInDelay;
    QStringList m_ownerArguments;
    State m_state = State::NoHost;
    // The host tried, or chosen.
    qsizetype m_host = 0;
    // Why each host tried could not create the control, and the host's file name.
    QList<std::pair<QString, QString>> m_failures;
    HostSession *m_session = nullptr;
    InterfaceControl *m_standIn = nullptr;
    // Set while a press waits on a session, which it then looks after itself.
    bool m_pressWaiting = false;
    bool m_shown = false;
    // Once the window is closed, every session is given up as it starts: a host tried next, or
    // started for a click carried out after the close, would hold the ending program.
    bool m_windowClosed = false;
};
