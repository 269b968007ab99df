#include "hosted_control.h"

#include "simulated_control.h"

#include <QEvent>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <utility>

HostedControl::HostedControl(QList<QStringList> hosts, Timeouts timeouts,
                             std::optional<std::chrono::milliseconds> standIn, QObject *parent)
    : InterfaceControl(parent)
    , m_hosts(std::move(hosts))
    , m_timeouts(timeouts)
    , m_standInDelay(standIn)
{}

HostedControl::~HostedControl() = default;

void HostedControl::followWindow(QObject *window, quintptr nativeWindow)
{
    if (nativeWindow)
        m_ownerArguments = {QStringLiteral("--owner"), QString::number(nativeWindow)};
    window->installEventFilter(this);
}

bool HostedControl::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_shown) {
        m_shown = true;
        // Once the painted window is on the screen.
        QMetaObject::invokeMethod(this, &HostedControl::choose, Qt::QueuedConnection);
    } else if (event->type() == QEvent::Close) {
        m_windowClosed = true;
        if (m_session)
            m_session->abandon();
    }
    return false;
}

void HostedControl::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void HostedControl::choose()
{
    if (m_state != State::NoHost)
        return;
    m_host = 0;
    m_failures.clear();
    setState(State::TryingHosts);
    startSession();
}

void HostedControl::startSession()
{
    const QStringList &host = m_hosts.at(m_host);
    m_session = new HostSession(host.front(), host.mid(1) + m_ownerArguments, m_timeouts, this);
    connect(m_session, &HostSession::actionEvent, this, &InterfaceControl::actionEvent);
    connect(m_session, &HostSession::modalStateChanged, this, &InterfaceControl::modalStateChanged);
    connect(m_session, &HostSession::stateChanged, this, &HostedControl::onStateChanged);
    if (m_windowClosed)
        m_session->abandon();
}

void HostedControl::dropSession()
{
    if (HostSession *session = std::exchange(m_session, nullptr)) {
        // What it reported before it ended is still delivered; it goes after that.
        disconnect(session, &HostSession::stateChanged, this, nullptr);
        session->deleteLater();
    }
}

// A press that waits on the session looks after what becomes of it itself.
void HostedControl::onStateChanged(HostSession::State state)
{
    if (m_pressWaiting || !m_session || state != m_session->state())
        return;
    if (state == HostSession::State::Ready && m_state == State::TryingHosts)
        setState(State::Hosted);
    else if (state == HostSession::State::Ended && m_state == State::TryingHosts)
        tryNextHost();
    else if (state == HostSession::State::Ended)
        retire(); // between commands nobody waits for the host, so there is no command to fail
}

// The next command starts a fresh host.
void HostedControl::retire()
{
    const QString reason = m_session->endReason();
    qWarning("%s %s", qPrintable(reason),
             qPrintable(tr("The next command starts the control host again.")));
    dropSession();
    emit hostEnded(reason);
}

void HostedControl::tryNextHost()
{
    m_failures.emplace_back(m_session->endReason(),
                            QFileInfo(m_hosts.at(m_host).front()).fileName());
    dropSession();
    if (++m_host < m_hosts.size()) {
        startSession();
        return;
    }
    if (!m_standInDelay) {
        setState(State::NoHost);
        return;
    }
    m_standIn = new SimulatedControl(*m_standInDelay, this);
    connect(m_standIn, &InterfaceControl::actionEvent, this, &InterfaceControl::actionEvent);
    setState(State::StandIn);
    emit problem(tr("The KV27 scripting control could not be created, so a simulated device "
                    "stands in."),
                 whyNoHostCould());
}

QString HostedControl::whyNoHostCould() const
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

std::optional<QString> HostedControl::waitUntilChosen(QDeadlineTimer &deadline)
{
    // Hosts that failed before this press are tried again only by the next one, once this one
    // has said why.
    if (m_failures.empty())
        choose();
    while (m_state == State::TryingHosts) {
        std::optional<QString> failure;
        {
            const QScopedValueRollback waiting(m_pressWaiting, true);
            failure = m_session->waitUntilReady(deadline);
        }
        if (!failure)
            setState(State::Hosted);
        else if (m_session->state() == HostSession::State::Starting)
            return failure; // the deadline passed; the start goes on
        else
            tryNextHost();
    }
    if (m_state == State::NoHost) {
        const QString why = whyNoHostCould();
        m_failures.clear();
        return why;
    }
    return std::nullopt;
}

std::optional<QString> HostedControl::sendCommand(const QString &verb, const QString &text)
{
    // The user's clicks wait for the press, but a screen reader's action on a button is no input
    // and comes through; a second command on the wire would take the first one's answer.
    if (m_pressWaiting)
        return tr("Another command is still being sent; try again once it is done.");
    QDeadlineTimer press(m_timeouts.press());
    if (const auto failure = waitUntilChosen(press))
        return failure;
    if (m_standIn)
        return m_standIn->sendCommand(verb, text);

    const QScopedValueRollback waiting(m_pressWaiting, true);
    // A host that wrote out of turn between commands is let go here, and another is started.
    if (m_session)
        m_session->poll();
    if (!m_session || m_session->state() == HostSession::State::Ended) {
        dropSession();
        startSession();
    }
    if (const auto failure = m_session->waitUntilReady(press)) {
        if (m_session->state() == HostSession::State::Ended)
            dropSession();
        return failure;
    }
    const CommandOutcome outcome = m_session->request(verb, text, press);
    if (std::holds_alternative<HostLost>(outcome))
        dropSession();
    else if (m_session->state() == HostSession::State::Ended)
        retire(); // the control answered and its host broke after: that costs the host only
    if (const auto *refused = std::get_if<CommandRefused>(&outcome))
        return refused->reason;
    if (const auto *lost = std::get_if<HostLost>(&outcome))
        return lost->reason;
    return std::nullopt;
}
