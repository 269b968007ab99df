#pragma once

#include "interface_control.h"

#include <QDeadlineTimer>
#include <QStringList>
#include <chrono>
#include <optional>

class HostSession;

// The device's scripting control, hosted by one control host program in a process of the
// control's own bitness. Each host process is a session; a session that ends costs at most the
// command at hand, and the next command starts a fresh one. Reported actions come on this
// object's thread in the order the host wrote them, never while a command is being sent.
class HostedControl : public InterfaceControl {
    Q_OBJECT

public:
    struct Timeouts {
        // Starting the host and creating the control; loading a control can take a while.
        std::chrono::milliseconds start{std::chrono::seconds(20)};
        // From handing over a command to the control's answer.
        std::chrono::milliseconds reply{std::chrono::seconds(10)};

        // The most a press may hold the window: one start and the wait for the answer.
        std::chrono::milliseconds press() const { return start + reply; }
    };

    HostedControl(QString program, QStringList arguments, Timeouts timeouts,
                  QObject *parent = nullptr);
    ~HostedControl() override;

    // Takes over a session of this host program that has already started.
    void adopt(HostSession *session);

    // Starts a host unless one runs, holding the caller until it is ready or the deadline
    // passes. Gives nothing once the control is ready, otherwise why it is not.
    std::optional<QString> waitUntilReady(QDeadlineTimer &deadline);
    std::optional<QString> waitUntilReady();

    std::optional<QString> sendCommand(const QString &verb, const QString &text) override;
    // The same within the press's deadline, which time spent on the control's own windows
    // extends.
    std::optional<QString> sendCommand(const QString &verb, const QString &text,
                                       QDeadlineTimer &press);

private:
    void retire(const QString &reason);
    void dropSession();

    QString m_program;
    QStringList m_arguments;
    Timeouts m_timeouts;
    HostSession *m_session = nullptr;
};
