#include "hosted_control.h"

#include "host_session.h"

#include <algorithm>
#include <utility>

HostedControl::HostedControl(QString program, QStringList arguments, Timeouts timeouts,
                             QObject *parent)
    : InterfaceControl(parent)
    , m_program(std::move(program))
    , m_arguments(std::move(arguments))
    , m_timeouts(timeouts)
{}

HostedControl::~HostedControl() = default;

void HostedControl::adopt(HostSession *session)
{
    dropSession();
    m_session = session;
    session->setParent(this);
    connect(session, &HostSession::actionEvent, this, &InterfaceControl::actionEvent);
    connect(session, &HostSession::endedUnasked, this, &HostedControl::retire);
    connect(session, &HostSession::modalStateChanged, this, &InterfaceControl::modalStateChanged);
}

std::optional<QString> HostedControl::waitUntilReady()
{
    QDeadlineTimer noDeadline(QDeadlineTimer::Forever);
    return waitUntilReady(noDeadline);
}

std::optional<QString> HostedControl::waitUntilReady(QDeadlineTimer &deadline)
{
    if (!m_session || m_session->state() == HostSession::State::Ended)
        adopt(new HostSession(m_program, m_arguments, m_timeouts.start));
    const auto failure = m_session->waitUntilReady(deadline);
    if (m_session->state() == HostSession::State::Ended)
        dropSession();
    return failure;
}

std::optional<QString> HostedControl::sendCommand(const QString &verb, const QString &text)
{
    QDeadlineTimer press(m_timeouts.press());
    return sendCommand(verb, text, press);
}

std::optional<QString> HostedControl::sendCommand(const QString &verb, const QString &text,
                                                  QDeadlineTimer &press)
{
    // A host that wrote out of turn between commands is let go here, and another is started.
    if (m_session)
        m_session->poll();
    if (const auto failure = waitUntilReady(press))
        return failure;
    QDeadlineTimer reply = std::min(QDeadlineTimer(m_timeouts.reply), press);
    const auto result = m_session->request(verb, text, reply, m_timeouts.reply);
    if (m_session->state() == HostSession::State::Ended) {
        // The control answered and the host broke after: that costs the host, not the command.
        if (result != m_session->endReason())
            retire(m_session->endReason());
        dropSession();
    }
    return result;
}

// Between commands nobody waits for the host, so there is no command to fail: the next one
// starts a fresh host.
void HostedControl::retire(const QString &reason)
{
    qWarning("%s %s", qPrintable(reason),
             qPrintable(tr("The next command starts the control host again.")));
    dropSession();
}

void HostedControl::dropSession()
{
    if (HostSession *session = std::exchange(m_session, nullptr)) {
        // What it reported before it ended is still delivered; it goes after that, since this
        // may be inside one of its own signals.
        disconnect(session, &HostSession::endedUnasked, this, nullptr);
        session->deleteLater();
    }
}
