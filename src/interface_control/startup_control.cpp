#include "startup_control.h"

#include "host_session.h"
#include "simulated_control.h"

#include <QEvent>
#include <QFileInfo>
#include <utility>

StartupControl::StartupControl(QList<QStringList> hosts, HostedControl::Timeouts timeouts,
                               std::chrono::milliseconds transmissionDelay, QObject *parent)
    : InterfaceControl(parent)
    , m_hosts(std::move(hosts))
    , m_timeouts(timeouts)
    , m_transmissionDelay(transmissionDelay)
{}

void StartupControl::chooseOnceShown(QObject *window)
{
    window->installEventFilter(this);
}

bool StartupControl::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Once the painted window is on the screen.
        QMetaObject::invokeMethod(this, &StartupControl::choose, Qt::QueuedConnection);
    }
    return false;
}

void StartupControl::choose()
{
    if (m_candidate || m_chosen)
        return;
    tryNextHost();
}

void StartupControl::tryNextHost()
{
    if (m_nextHost < m_hosts.size()) {
        const QStringList &host = m_hosts.at(m_nextHost++);
        m_candidate = new HostSession(host.front(), host.mid(1), m_timeouts.start, this);
        connect(m_candidate, &HostSession::startSettled, this, &StartupControl::settle);
        return;
    }
    m_chosen = new SimulatedControl(m_transmissionDelay, this);
    connect(m_chosen, &InterfaceControl::actionEvent, this, &InterfaceControl::actionEvent);
    emit problem(tr("The KV27 scripting control could not be created, so a simulated device "
                    "stands in."),
                 whyNoHostCould());
}

QString StartupControl::whyNoHostCould() const
{
    QStringList reasons;
    QList<QStringList> hosts;
    for (const auto &[reason, host] : m_failures) {
        const qsizetype seen = reasons.indexOf(reason);
        if (seen >= 0) {
            hosts[seen] << host;
            continue;
        }
        reasons << reason;
        hosts << QStringList{host};
    }
    QStringList paragraphs;
    for (qsizetype i = 0; i < reasons.size(); ++i)
        paragraphs << tr("%1\nTried by %2.").arg(reasons[i], hosts[i].join(tr(" and ")));
    return paragraphs.join(u"\n\n");
}

void StartupControl::settle()
{
    // A start already taken in by a waiting press settles again from the event loop.
    if (!m_candidate || m_candidate->state() == HostSession::State::Starting)
        return;
    HostSession *candidate = std::exchange(m_candidate, nullptr);
    candidate->disconnect(this);
    if (candidate->state() == HostSession::State::Ended) {
        m_failures.emplace_back(candidate->endReason(),
                                QFileInfo(m_hosts.at(m_nextHost - 1).front()).fileName());
        candidate->deleteLater();
        tryNextHost();
        return;
    }
    const QStringList &host = m_hosts.at(m_nextHost - 1);
    m_hosted = new HostedControl(host.front(), host.mid(1), m_timeouts, this);
    m_hosted->adopt(candidate);
    m_chosen = m_hosted;
    connect(m_chosen, &InterfaceControl::actionEvent, this, &InterfaceControl::actionEvent);
}

std::optional<QString> StartupControl::sendCommand(const QString &verb, const QString &text)
{
    const QDeadlineTimer press(m_timeouts.press());
    choose();
    while (m_candidate) {
        if (const auto failure = m_candidate->waitUntilReady(press);
            failure && m_candidate->state() == HostSession::State::Starting)
            return failure;
        settle();
    }
    if (m_hosted)
        return m_hosted->sendCommand(verb, text, press);
    return m_chosen->sendCommand(verb, text);
}
