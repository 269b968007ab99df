#pragma once

#include "program_wire.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <variant>

// What became of a command handed to a host: the control took it, the control refused it with
// its reason, or the host was lost, with why.
struct CommandTaken {
    bool operator==(const CommandTaken &) const = default;
};
struct CommandRefused {
    QString reason;
    bool operator==(const CommandRefused &) const = default;
};
struct HostLost {
    QString reason;
    bool operator==(const HostLost &) const = default;
};
using CommandOutcome = std::variant<CommandTaken, CommandRefused, HostLost>;

// The life of one control host process: its start, one command at a time with its answer, and
// the actions it reports, delivered on this object's thread in the order the host wrote them,
// never while a caller waits. The start goes on while the event loop turns, so that nothing
// waits for it unless a caller must. A caller that must wait, for the start or for an answer,
// waits with the event loop turning but taking no user input, so that the window keeps painting
// while its handler does nothing else; time while the control shows a window of its own (the
// user reading its message box) counts against no limit. A host that fails to start, stops,
// hangs or writes what is no message ends the session with a reason, and a session that has
// ended stays so: the owner, told of each change of state, starts another.
class HostSession : public QObject {
    Q_OBJECT

public:
    enum class State { Starting, Ready, Ended };

    struct Timeouts {
        // Starting the host and creating the control; loading a control can take a while.
        std::chrono::milliseconds start{std::chrono::seconds(20)};
        // From handing over a command to the control's answer.
        std::chrono::milliseconds reply{std::chrono::seconds(10)};

        // The most a press may hold the window: one start and the wait for the answer.
        std::chrono::milliseconds press() const { return start + reply; }
    };

    // Starts the host at once; it must say it is ready within the start limit.
    HostSession(const QString &program, const QStringList &arguments, Timeouts timeouts,
                QObject *parent = nullptr);
    // Ends the host, giving it a moment to let go of the control first, and the user all the
    // time they need for a window the control shows as it closes.
    ~HostSession() override;

    // The user closed the program: any wait ends at once, and a window of the control that is
    // open now, which the user closed the program on, no longer holds the host's farewell.
    void abandon();

    State state() const { return m_state; }
    // Why the session ended.
    const QString &endReason() const { return m_endReason; }

    // Holds the caller until the start has settled or the deadline passes. Gives nothing once
    // the host is ready, otherwise why it is not. A deadline that passes ends nothing: the start
    // goes on. Time the control's own windows were open is added to the deadline.
    std::optional<QString> waitUntilReady(QDeadlineTimer &deadline);

    // Takes in what the host has written so far, so that nothing it wrote unasked is taken for
    // the answer to the next command.
    void poll();

    // Hands over one command to a ready host and holds the caller until its answer, for no
    // longer than the reply limit or the press, whichever ends first. A host that cannot
    // answer is lost: the session ends.
    CommandOutcome request(const QString &verb, const QString &text, QDeadlineTimer &press);

signals:
    // Ready, or ended. Always from the event loop, never from inside this session's own work.
    void stateChanged(HostSession::State state);
    void actionEvent(const ActionValues &values);
    // The control shows a window of its own that the user must answer first, or asked for the
    // program's windows to be disabled (true); or that is over (false).
    void modalStateChanged(bool modal);

private:
    // Turns the event loop without user input until done(), the deadline, or the user closes
    // the program; gives whether done() came.
    bool waitUntil(const std::function<bool()> &done, QDeadlineTimer &deadline);
    void readOutput();
    void onFinished();
    void onStartExpired();
    void takeMessage(ProgramWire::Message message);
    void setControlWindowOpen(bool open);
    void setModal(bool controlWindowOpen, bool modelessDisabled);
    void setState(State state);
    void endSession(const QString &reason);
    void scheduleDelivery();
    void deliverActions();

    QProcess *m_process = nullptr;
    State m_state = State::Starting;
    QString m_endReason;
    Timeouts m_timeouts;
    QTimer m_startTimer;
    std::chrono::milliseconds m_startLeft{0}; // while a control's window holds the start timer
    // Set while a command waits for its answer.
    bool m_waiting = false;
    // Set while any caller waits: the actions wait too.
    bool m_holdActions = false;
    bool m_controlWindowOpen = false;
    bool m_modelessDisabled = false;
    bool m_abandoned = false;
    bool m_farewellWaitsForWindows = true;
    QByteArray m_partialLine;
    std::optional<ProgramWire::Message> m_answer;
    std::deque<ActionValues> m_actions;
    bool m_deliveryScheduled = false;
};
