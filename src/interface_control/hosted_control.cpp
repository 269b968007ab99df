#include "hosted_control.h"

#include <QMetaObject>
#include <QScopedValueRollback>
#include <algorithm>
#include <utility>

using namespace std::chrono_literals;

namespace {

// Long enough for a host to notice its input has closed and let the control go.
constexpr auto farewell = 2s;

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000.0);
}

} // namespace

HostedControl::HostedControl(QString program, QStringList arguments, Timeouts timeouts,
                             QObject *parent)
    : InterfaceControl(parent)
    , m_program(std::move(program))
    , m_arguments(std::move(arguments))
    , m_timeouts(timeouts)
{}

HostedControl::~HostedControl()
{
    // Hosts let go of but not yet ended go first, and at once.
    for (QProcess *retired : findChildren<QProcess *>(Qt::FindDirectChildrenOnly)) {
        if (retired == m_process)
            continue;
        retired->kill();
        retired->waitForFinished(int(std::chrono::milliseconds(farewell).count()));
    }
    if (!m_process)
        return;
    m_process->disconnect(this);
    m_process->closeWriteChannel();
    if (!m_process->waitForFinished(int(std::chrono::milliseconds(farewell).count()))) {
        m_process->kill();
        m_process->waitForFinished(int(std::chrono::milliseconds(farewell).count()));
    }
}

std::optional<QString> HostedControl::start()
{
    if (m_process && m_ready)
        return std::nullopt;
    const QScopedValueRollback waiting(m_waiting, true);

    m_process = new QProcess(this);
    m_process->setProgram(m_program);
    m_process->setArguments(m_arguments);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &HostedControl::readOutput);
    connect(m_process, &QProcess::finished, this, &HostedControl::onFinished);

    const QDeadlineTimer deadline(m_timeouts.start);
    m_process->start();
    if (!m_process->waitForStarted(int(deadline.remainingTime())))
        return discardHost(tr("The control host \"%1\" could not be started: %2")
                               .arg(m_program, m_process->errorString()));

    const Outcome answer = awaitAnswer(deadline, m_timeouts.start);
    if (const auto *problem = std::get_if<QString>(&answer))
        return discardHost(*problem);
    const auto &message = std::get<ProgramWire::Message>(answer);
    if (const auto *unavailable = std::get_if<ProgramWire::Unavailable>(&message))
        return discardHost(unavailable->reason);
    if (!std::holds_alternative<ProgramWire::Ready>(message))
        return discardHost(tr("The control host answered out of turn."));
    // Ready, but broken right after: no command has gone out yet, so none is lost.
    if (m_broken)
        return discardHost(*m_broken);
    m_ready = true;
    return std::nullopt;
}

std::variant<std::unique_ptr<HostedControl>, QString>
HostedControl::startFirst(const QList<QStringList> &hosts, Timeouts timeouts)
{
    QStringList reasons;
    for (const QStringList &host : hosts) {
        auto control = std::make_unique<HostedControl>(host.front(), host.mid(1), timeouts);
        const auto failure = control->start();
        if (!failure)
            return control;
        reasons << *failure;
    }
    return reasons.join(u'\n');
}

std::optional<QString> HostedControl::sendCommand(const QString &verb, const QString &text)
{
    // One deadline for the whole press: at most one start and the wait for the answer.
    const QDeadlineTimer press(m_timeouts.start + m_timeouts.reply);
    // What the host wrote unasked must not be taken for the answer to this command; a host
    // that did so is let go here, and start() starts another.
    if (m_process)
        m_process->waitForReadyRead(0);
    if (const auto failure = start())
        return failure;
    const QScopedValueRollback waiting(m_waiting, true);

    m_process->write(ProgramWire::commandLine(verb, text));
    const Outcome answer =
        awaitAnswer(std::min(QDeadlineTimer(m_timeouts.reply), press), m_timeouts.reply);
    if (const auto *problem = std::get_if<QString>(&answer))
        return discardHost(*problem);
    // The control has answered: a bad line after the answer costs the host, not the command.
    if (m_broken)
        abandonIdleHost();
    const auto &message = std::get<ProgramWire::Message>(answer);
    if (std::holds_alternative<ProgramWire::Done>(message))
        return std::nullopt;
    if (const auto *failed = std::get_if<ProgramWire::Failed>(&message))
        return failed->reason;
    return discardHost(tr("The control host answered out of turn."));
}

HostedControl::Outcome HostedControl::awaitAnswer(QDeadlineTimer deadline,
                                                  std::chrono::milliseconds limit)
{
    for (;;) {
        readOutput();
        // The answer counts even when a bad line follows it in the same read.
        if (m_answer) {
            ProgramWire::Message answer = std::move(*m_answer);
            m_answer.reset();
            return answer;
        }
        if (m_broken)
            return *m_broken;
        if (m_process->state() == QProcess::NotRunning) {
            if (m_process->exitStatus() == QProcess::CrashExit)
                return tr("The control host stopped unexpectedly.");
            return tr("The control host ended with exit code %1 without answering.")
                .arg(m_process->exitCode());
        }
        if (deadline.hasExpired())
            return tr("The control host did not answer within %1 seconds.").arg(seconds(limit));
        // Readiness also ends the wait when the host ends; the loop then finds out.
        m_process->waitForReadyRead(int(deadline.remainingTime()));
    }
}

void HostedControl::readOutput()
{
    if (!m_process)
        return;
    m_partialLine += m_process->readAllStandardOutput();
    qsizetype start = 0;
    for (qsizetype end; !m_broken && (end = m_partialLine.indexOf('\n', start)) >= 0;
         start = end + 1) {
        QByteArrayView line = QByteArrayView(m_partialLine).sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        auto parsed = ProgramWire::parseLine(line);
        if (const auto *problem = std::get_if<ProgramWire::Malformed>(&parsed)) {
            m_broken = tr("The control host wrote something that is not a message: %1.")
                           .arg(problem->what);
            break;
        }
        auto message = std::get<ProgramWire::Message>(std::move(parsed));
        if (auto *action = std::get_if<ProgramWire::Action>(&message))
            m_actions.push_back(std::move(action->values));
        // One answer to what was asked; any other is out of turn and would be taken for the
        // answer to the next command.
        else if (m_waiting && !m_answer)
            m_answer = std::move(message);
        else
            m_broken = tr("The control host answered out of turn.");
    }
    m_partialLine.remove(0, start);
    if (!m_broken && m_partialLine.size() > ProgramWire::maxLineLength)
        m_broken = tr("The control host wrote a line longer than %1 bytes.")
                       .arg(ProgramWire::maxLineLength);
    scheduleDelivery();
    if (m_broken && !m_waiting)
        abandonIdleHost();
}

void HostedControl::scheduleDelivery()
{
    if (m_deliveryScheduled || m_actions.empty())
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(this, &HostedControl::deliverActions, Qt::QueuedConnection);
}

void HostedControl::deliverActions()
{
    m_deliveryScheduled = false;
    while (!m_actions.empty()) {
        const ActionValues values = std::move(m_actions.front());
        m_actions.pop_front();
        emit actionEvent(values);
    }
}

void HostedControl::onFinished()
{
    // A command in progress finds out for itself.
    if (m_waiting)
        return;
    readOutput();
    if (m_process)
        abandonIdleHost();
}

// Between commands nobody waits for the host, so there is no command to fail: the next one
// starts a fresh host.
void HostedControl::abandonIdleHost()
{
    const QString reason = m_broken.value_or(tr("The control host ended."));
    qWarning("%s %s", qPrintable(reason),
             qPrintable(tr("The next command starts the control host again.")));
    discardHost({});
}

QString HostedControl::discardHost(const QString &reason)
{
    if (QProcess *process = std::exchange(m_process, nullptr)) {
        process->disconnect(this);
        // Never inside the process's own signal or wait, where Qt's pipe reader is still on the
        // stack: the event loop ends it, and it goes once it has ended.
        QMetaObject::invokeMethod(
            process,
            [process] {
                connect(process, &QProcess::finished, process, &QObject::deleteLater);
                process->kill();
                if (process->state() == QProcess::NotRunning)
                    process->deleteLater();
            },
            Qt::QueuedConnection);
    }
    m_ready = false;
    m_partialLine.clear();
    m_answer.reset();
    m_broken.reset();
    return reason;
}
