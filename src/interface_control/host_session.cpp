#include "host_session.h"

#include <QMetaObject>
#include <QScopedValueRollback>
#include <utility>

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

} // namespace

HostSession::HostSession(const QString &program, const QStringList &arguments,
                         std::chrono::milliseconds startLimit, QObject *parent)
    : QObject(parent)
    , m_process(new QProcess(this))
    , m_startLimit(startLimit)
    , m_startDeadline(startLimit)
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
    m_startTimer.setSingleShot(true);
    connect(&m_startTimer, &QTimer::timeout, this, &HostSession::onStartExpired);
    m_startTimer.start(startLimit);
    m_process->start();
}

HostSession::~HostSession()
{
    m_process->disconnect(this);
    if (m_state != State::Ended) {
        m_process->closeWriteChannel();
        m_process->waitForFinished(milliseconds(farewell));
    }
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(milliseconds(farewell));
    }
}

std::optional<QString> HostSession::waitUntilReady(QDeadlineTimer deadline)
{
    while (m_state == State::Starting) {
        // The start's own limit holds while the event loop does not turn as well.
        if (m_startDeadline.hasExpired()) {
            onStartExpired();
            break;
        }
        if (deadline.hasExpired())
            return tr("The control host is still starting.");
        const int wait = int(std::min(deadline, m_startDeadline).remainingTime());
        if (m_process->state() == QProcess::Starting)
            m_process->waitForStarted(wait);
        else if (m_process->state() == QProcess::Running)
            m_process->waitForReadyRead(wait);
        else
            onFinished();
    }
    if (m_state == State::Ended)
        return m_endReason;
    return std::nullopt;
}

void HostSession::poll()
{
    if (m_state != State::Ended)
        m_process->waitForReadyRead(0);
}

std::optional<QString> HostSession::request(const QString &verb, const QString &text,
                                            QDeadlineTimer deadline,
                                            std::chrono::milliseconds limit)
{
    if (m_state != State::Ready)
        return m_state == State::Ended ? m_endReason : tr("The control host is still starting.");
    const QScopedValueRollback waiting(m_waiting, true);
    m_process->write(ProgramWire::commandLine(verb, text));
    for (;;) {
        // The answer counts even when the host broke right after giving it.
        if (m_answer) {
            const ProgramWire::Message answer = *std::exchange(m_answer, std::nullopt);
            if (std::holds_alternative<ProgramWire::Done>(answer))
                return std::nullopt;
            if (const auto *failed = std::get_if<ProgramWire::Failed>(&answer))
                return failed->reason;
            endSession(tr("The control host answered out of turn."));
        }
        if (m_state == State::Ended)
            return m_endReason;
        if (deadline.hasExpired()) {
            endSession(
                tr("The control host did not answer within %1 seconds.").arg(seconds(limit)));
            return m_endReason;
        }
        // Readiness also ends the wait when the host ends; the loop then finds out.
        m_process->waitForReadyRead(int(deadline.remainingTime()));
    }
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
            endSession(tr("The control host wrote something that is not a message: %1.")
                           .arg(problem->what));
        else
            takeMessage(std::get<ProgramWire::Message>(std::move(parsed)));
    }
    m_partialLine.remove(0, start);
    if (m_state != State::Ended && m_partialLine.size() > ProgramWire::maxLineLength)
        endSession(tr("The control host wrote a line longer than %1 bytes.")
                       .arg(ProgramWire::maxLineLength));
    // What the host reported before it broke still happened.
    scheduleDelivery();
}

void HostSession::takeMessage(ProgramWire::Message message)
{
    if (auto *action = std::get_if<ProgramWire::Action>(&message)) {
        m_actions.push_back(std::move(action->values));
        return;
    }
    if (m_state == State::Starting) {
        if (std::holds_alternative<ProgramWire::Ready>(message)) {
            m_state = State::Ready;
            m_startTimer.stop();
            QMetaObject::invokeMethod(this, &HostSession::startSettled, Qt::QueuedConnection);
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

void HostSession::onFinished()
{
    if (m_state == State::Ended)
        return;
    // Its last words may hold an answer.
    readOutput();
    if (m_state == State::Ended)
        return;
    if (m_state == State::Ready && !m_waiting)
        endSession(tr("The control host ended."));
    else if (m_process->exitStatus() == QProcess::CrashExit)
        endSession(tr("The control host stopped unexpectedly."));
    else
        endSession(tr("The control host ended with exit code %1 without answering.")
                       .arg(m_process->exitCode()));
}

void HostSession::onStartExpired()
{
    if (m_state == State::Starting)
        endSession(
            tr("The control host did not answer within %1 seconds.").arg(seconds(m_startLimit)));
}

void HostSession::endSession(const QString &reason)
{
    const State was = std::exchange(m_state, State::Ended);
    m_endReason = reason;
    m_startTimer.stop();
    m_partialLine.clear();
    m_process->disconnect(this);
    // Never inside the process's own signal or wait, where Qt's pipe reader is still on the
    // stack: the event loop ends it.
    QMetaObject::invokeMethod(
        m_process, [process = m_process] { process->kill(); }, Qt::QueuedConnection);
    if (was == State::Starting)
        QMetaObject::invokeMethod(this, &HostSession::startSettled, Qt::QueuedConnection);
    else if (!m_waiting)
        emit endedUnasked(reason);
}

void HostSession::scheduleDelivery()
{
    if (m_deliveryScheduled || m_actions.empty())
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(this, &HostSession::deliverActions, Qt::QueuedConnection);
}

void HostSession::deliverActions()
{
    m_deliveryScheduled = false;
    while (!m_actions.empty()) {
        const ActionValues values = std::move(m_actions.front());
        m_actions.pop_front();
        emit actionEvent(values);
    }
}
