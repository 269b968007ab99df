#include "host_session.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QScopedValueRollback>
#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#endif

using namespace std::chrono_literals;

namespace {

// Long enough for a host to notice its input has closed and let the control go.
constexpr auto farewell = 2s;

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000.0);
}

int milliseconds(std::chrono::milliseconds duration)
{
    return int(duration.count());
}

QString programClosed()
{
    return HostSession::tr("The program was closed.");
}

// The start of a line that is no message, as the user can read it whatever wrote it: cut short,
// and with control characters shown by their codes.
QString quotedStart(QByteArrayView line)
{
    constexpr qsizetype shown = 60;
    const QString text = QString::fromUtf8(line.first(std::min(line.size(), shown * 4)));
    QString quoted;
    for (qsizetype i = 0; i < text.size() && i < shown; ++i) {
        const QChar c = text.at(i);
        if (c.category() == QChar::Other_Control)
            quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            quoted += c;
    }
    if (text.size() > shown)
        quoted += u'\u2026';
    return u'"' + quoted + u'"';
}

// How the host's process ended, by what the system tells of it.
QString howItEnded(QProcess::ExitStatus status, int code)
{
    if (status == QProcess::NormalExit)
        return HostSession::tr("The control host ended with exit code %1.").arg(code);
#ifdef Q_OS_WIN
    // Ended from outside: by Ctrl+C or by a debugger; 0xF291 is what QProcess ends processes with.
    const auto exitCode = quint32(code);
    if (exitCode == 0xC000013A || exitCode == 0x40010004 || exitCode == 0xF291)
        return HostSession::tr("The control host was ended.");
    return HostSession::tr("The control host stopped unexpectedly, exit code 0x%1.")
        .arg(QString::number(exitCode, 16).toUpper().rightJustified(8, u'0'));
#else
    // Asked to end, or made to.
    if (code == SIGTERM || code == SIGKILL || code == SIGINT || code == SIGHUP)
        return HostSession::tr("The control host was ended (signal %1).").arg(code);
    return HostSession::tr("The control host stopped unexpectedly (signal %1).").arg(code);
#endif
}

// A window the control opens is brought in front of the program's, which takes the program's
// leave while it has the foreground: given before each wait.
void letTheHostComeToTheFront([[maybe_unused]] const QProcess &process)
{
#ifdef Q_OS_WIN
    if (process.processId() > 0)
        AllowSetForegroundWindow(DWORD(process.processId()));
#endif
}

} // namespace

HostSession::HostSession(const QString &program, const QStringList &arguments, Timeouts timeouts,
                         QObject *parent)
    : QObject(parent)
    , m_process(new QProcess(this))
    , m_timeouts(timeouts)
{
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &HostSession::readOutput);
    connect(m_process, &QProcess::finished, this, &HostSession::onFinished);
    connect(m_process, &QProcess::errorOccurred, this,
            [this, program](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart)
                    endSession(tr("The control host \"%1\" could not be started: %2")
                                   .arg(program, m_process->errorString()));
            });
    connect(m_process, &QProcess::started, this, [this] { letTheHostComeToTheFront(*m_process); });
    m_startTimer.setSingleShot(true);
    connect(&m_startTimer, &QTimer::timeout, this, &HostSession::onStartExpired);
    m_startTimer.start(timeouts.start);
    m_process->start();
}

HostSession::~HostSession()
{
    // Nothing the host says from here on reaches anyone but this farewell.
    m_process->disconnect(this);
    blockSignals(true);
    if (m_state != State::Ended && m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel();
        QDeadlineTimer left(farewell);
        while (m_process->state() == QProcess::Running) {
            if (m_controlWindowOpen && m_farewellWaitsForWindows)
                left.setRemainingTime(farewell);
            else if (left.hasExpired())
                break;
            m_process->waitForReadyRead(int(std::min<qint64>(left.remainingTime(), 100)));
            readOutput();
        }
    }
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(milliseconds(farewell));
    }
}

void HostSession::abandon()
{
    if (std::exchange(m_abandoned, true))
        return;
    m_farewellWaitsForWindows = !m_controlWindowOpen;
}

bool HostSession::waitUntil(const std::function<bool()> &done, QDeadlineTimer &deadline)
{
    const QScopedValueRollback holding(m_holdActions, true);
    letTheHostComeToTheFront(*m_process);
    QTimer wake;
    wake.setSingleShot(true);
    // What was left of the deadline when the control's window opened.
    std::optional<std::chrono::nanoseconds> left;
    while (!done()) {
        if (m_abandoned)
            return false;
        if (m_controlWindowOpen) {
            if (!left)
                left = deadline.remainingTimeAsDuration();
            wake.stop();
        } else {
            if (left)
                deadline.setRemainingTime(*std::exchange(left, std::nullopt));
            if (deadline.hasExpired())
                return false;
            if (!deadline.isForever())
                wake.start(std::chrono::ceil<std::chrono::milliseconds>(
                    deadline.remainingTimeAsDuration()));
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
    }
    if (left)
        deadline.setRemainingTime(*left);
    return true;
}

std::optional<QString> HostSession::waitUntilReady(QDeadlineTimer &deadline)
{
    if (!waitUntil([this] { return m_state != State::Starting; }, deadline))
        return m_abandoned ? programClosed() : tr("The control host is still starting.");
    scheduleDelivery();
    if (m_state == State::Ended)
        return m_endReason;
    return std::nullopt;
}

void HostSession::poll()
{
    if (m_state != State::Ended)
        m_process->waitForReadyRead(0);
}

CommandOutcome HostSession::request(const QString &verb, const QString &text, QDeadlineTimer &press)
{
    if (m_state != State::Ready)
        return HostLost{m_state == State::Ended ? m_endReason
                                                : tr("The control host is still starting.")};
    const QScopedValueRollback waiting(m_waiting, true);
    m_process->write(ProgramWire::commandLine(verb, text));
    QDeadlineTimer reply = std::min(QDeadlineTimer(m_timeouts.reply), press);
    const bool settled = waitUntil([this] { return m_answer || m_state == State::Ended; }, reply);
    // What the control reported meanwhile follows the command, in order.
    scheduleDelivery();
    // The answer counts even when the host broke right after giving it.
    if (m_answer) {
        const ProgramWire::Message answer = *std::exchange(m_answer, std::nullopt);
        if (std::holds_alternative<ProgramWire::Done>(answer))
            return CommandTaken{};
        if (const auto *failed = std::get_if<ProgramWire::Failed>(&answer))
            return CommandRefused{failed->reason};
        endSession(tr("The control host answered out of turn."));
    }
    // The host is let go as the program ends.
    if (m_abandoned && m_state != State::Ended)
        return HostLost{programClosed()};
    if (!settled)
        endSession(tr("The control host did not answer within %1 seconds.")
                       .arg(seconds(m_timeouts.reply)));
    return HostLost{m_endReason};
}

void HostSession::readOutput()
{
    if (m_state == State::Ended)
        return;
    m_partialLine += m_process->readAllStandardOutput();
    qsizetype start = 0;
    for (qsizetype end; m_state != State::Ended && (end = m_partialLine.indexOf('\n', start)) >= 0;
         start = end + 1) {
        QByteArrayView line = QByteArrayView(m_partialLine).sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        auto parsed = ProgramWire::parseLine(line);
        if (const auto *problem = std::get_if<ProgramWire::Malformed>(&parsed))
            endSession(tr("The control host wrote something that is not a message, beginning "
                          "%1: %2.")
                           .arg(quotedStart(line), problem->what));
        else
            takeMessage(std::get<ProgramWire::Message>(std::move(parsed)));
    }
    m_partialLine.remove(0, start);
    if (m_state != State::Ended && m_partialLine.size() > qsizetype(ControlWire::maxLineLength))
        endSession(tr("The control host wrote a line longer than %1 bytes.")
                       .arg(ControlWire::maxLineLength));
    // What the host reported before it broke still happened.
    scheduleDelivery();
}

void HostSession::takeMessage(ProgramWire::Message message)
{
    if (auto *action = std::get_if<ProgramWire::Action>(&message)) {
        m_actions.push_back(std::move(action->values));
        return;
    }
    if (const auto *window = std::get_if<ProgramWire::ControlWindow>(&message)) {
        setControlWindowOpen(window->open);
        return;
    }
    if (const auto *modeless = std::get_if<ProgramWire::Modeless>(&message)) {
        setModal(m_controlWindowOpen, !modeless->enabled);
        return;
    }
    if (m_state == State::Starting) {
        if (std::holds_alternative<ProgramWire::Ready>(message)) {
            m_startTimer.stop();
            setState(State::Ready);
        } else if (const auto *unavailable = std::get_if<ProgramWire::Unavailable>(&message)) {
            endSession(unavailable->reason);
        } else {
            endSession(tr("The control host answered out of turn."));
        }
        return;
    }
    // One answer to what was asked; any other would be taken for the answer to the next command.
    if (m_waiting && !m_answer)
        m_answer = std::move(message);
    else
        endSession(tr("The control host answered out of turn."));
}

// The start's limit, like a caller's deadline, stands still while the user reads what the
// control shows.
void HostSession::setControlWindowOpen(bool open)
{
    if (m_state == State::Starting && open != m_controlWindowOpen) {
        if (open) {
            m_startLeft = std::chrono::ceil<std::chrono::milliseconds>(
                m_startTimer.remainingTimeAsDuration());
            m_startTimer.stop();
        } else {
            m_startTimer.start(m_startLeft);
        }
    }
    setModal(open, m_modelessDisabled);
}

void HostSession::setModal(bool controlWindowOpen, bool modelessDisabled)
{
    const bool was = m_controlWindowOpen || m_modelessDisabled;
    m_controlWindowOpen = controlWindowOpen;
    m_modelessDisabled = modelessDisabled;
    if (const bool modal = controlWindowOpen || modelessDisabled; modal != was)
        emit modalStateChanged(modal);
}

void HostSession::onFinished()
{
    if (m_state == State::Ended)
        return;
    // Its last words may hold an answer.
    readOutput();
    if (m_state != State::Ended)
        endSession(howItEnded(m_process->exitStatus(), m_process->exitCode()));
}

void HostSession::onStartExpired()
{
    if (m_state == State::Starting)
        endSession(tr("The control host did not answer within %1 seconds.")
                       .arg(seconds(m_timeouts.start)));
}

void HostSession::setState(State state)
{
    m_state = state;
    QMetaObject::invokeMethod(
        this, [this, state] { emit stateChanged(state); }, Qt::QueuedConnection);
}

void HostSession::endSession(const QString &reason)
{
    setState(State::Ended);
    m_endReason = reason;
    m_startTimer.stop();
    m_partialLine.clear();
    m_process->disconnect(this);
    // Never inside the process's own signal or wait, where Qt's pipe reader is still on the
    // stack: the event loop ends it.
    QMetaObject::invokeMethod(
        m_process, [process = m_process] { process->kill(); }, Qt::QueuedConnection);
    // Whatever the control showed went with its host.
    setModal(false, false);
}

void HostSession::scheduleDelivery()
{
    if (m_deliveryScheduled || m_actions.empty() || m_holdActions)
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(this, &HostSession::deliverActions, Qt::QueuedConnection);
}

void HostSession::deliverActions()
{
    m_deliveryScheduled = false;
    if (m_holdActions)
        return; // delivered once the caller's wait is over
    while (!m_actions.empty()) {
        const ActionValues values = std::move(m_actions.front());
        m_actions.pop_front();
        emit actionEvent(values);
    }
}
