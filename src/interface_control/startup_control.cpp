#include "startup_control.h"

#include "host_session.h"
#include "simulated_control.h"

#include <QEvent>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <utility>

StartupControl::StartupControl(QList<QStringList> hosts, HostedControl::Timeouts timeouts,
                               std::chrono::milliseconds transmissionDelay, QObject *parent)
    : InterfaceControl(parent)
    , m_hosts(std::move(hosts))
    , m_timeouts(timeouts)
    , m_transmissionDelay(transmissionDelay)
{}

void StartupControl::chooseOnceShown(QObject *window, quintptr nativeWindow)
{
    if (nativeWindow)
        m_ownerArguments = {QStringLiteral("--owner"), QString::number(nativeWindow)};
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
        m_candidate =
            new HostSession(host.front(), host.mid(1) + m_ownerArguments, m_timeouts.start, this);
        connect(m_candidate, &HostSession::startSettled, this, &StartupControl::settle);
        connect(m_candidate, &HostSession::modalStateChanged, this,
                &InterfaceControl::modalStateChanged);
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
    // A press that waits for the candidate settles it once its wait is over.
    if (m_pressWaiting || !m_candidate || m_candidate->state() == HostSession::State::Starting)
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
    m_hosted = new HostedControl(host.front(), host.mid(1) + m_ownerArguments, m_timeouts, this);
    m_hosted->adopt(candidate);
    m_chosen = m_hosted;
    connect(m_chosen, &InterfaceControl::actionEvent, this, &InterfaceControl::actionEvent);
    connect(m_chosen, &InterfaceControl::modalStateChanged, this,
            &InterfaceControl::modalStateChanged);
}

std::optional<QString> StartupControl::sendCommand(const QString &verb, const QString &text)
{
    QDeadlineTimer press(m_timeouts.press());
    choose();
    while (m_candidate) {
        std::optional<QString> failure;
        {
            const QScopedValueRollback waiting(m_pressWaiting, true);
            failure = m_candidate->waitUntilReady(press);
        }
        if (failure && m_candidate->state() == HostSession::State::Starting)
            return failure;
        settle();
    }
    if (m_hosted)
        return m_hosted->sendCommand(verb, text, press);
    return m_chosen->sendCommand(verb, text);
}
