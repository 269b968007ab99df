#pragma once

#include "interface_control.h"
#include "program_wire.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>

// The device's scripting control, hosted by kv27-control-host in a process of the control's
// own bitness. Every wait for the host is bounded: a host that does not start, stops, hangs or
// writes what is no message turns into an error for the command at hand, and the next command
// starts a fresh host. Reported actions are delivered on this object's thread in the order the
// host wrote them, never while a command is being sent.
class HostedControl : public InterfaceControl {
    Q_OBJECT

public:
    struct Timeouts {
        // Starting the host and creating the control; loading a control can take a while.
        std::chrono::milliseconds start{std::chrono::seconds(20)};
        // From handing over a command to the control's answer.
        std::chrono::milliseconds reply{std::chrono::seconds(10)};
    };

    HostedControl(QString program, QStringList arguments, Timeouts timeouts,
                  QObject *parent = nullptr);
    ~HostedControl() override;

    // Starts the host unless it runs. Gives nothing once the control is ready, otherwise why it
    // could not be had.
    std::optional<QString> start();

    std::optional<QString> sendCommand(const QString &verb, const QString &text) override;

    // The first host that creates the control, in the order given as program and arguments,
    // or why none could, host by host. The control is 32-bit or 64-bit and only a host of its
    // own bitness can load it.
    static std::variant<std::unique_ptr<HostedControl>, QString>
    startFirst(const QList<QStringList> &hosts, Timeouts timeouts);

private:
    using Outcome = std::variant<ProgramWire::Message, QString>;

    // The next message other than an action, or why there is none.
    Outcome awaitAnswer(QDeadlineTimer deadline, std::chrono::milliseconds limit);
    void readOutput();
    void scheduleDelivery();
    void deliverActions();
    void onFinished();
    void abandonIdleHost();
    // Gives the reason back, for returning.
    QString discardHost(const QString &reason);

    QString m_program;
    QStringList m_arguments;
    Timeouts m_timeouts;
    QProcess *m_process = nullptr;
    bool m_ready = false;
    // Set while a command or the start waits for the host's answer.
    bool m_waiting = false;
    QByteArray m_partialLine;
    std::optional<ProgramWire::Message> m_answer;
    std::optional<QString> m_broken;
    std::deque<ActionValues> m_actions;
    bool m_deliveryScheduled = false;
};
