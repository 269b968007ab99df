#include "startup_control.h"

#include "simulated_control.h"

#include <QEvent>
#include <QMessageBox>
#include <QWidget>

StartupControl::StartupControl(QList<QStringList> hosts, HostedControl::Timeouts timeouts,
                               std::chrono::milliseconds transmissionDelay, QObject *parent)
    : InterfaceControl(parent)
    , m_hosts(std::move(hosts))
    , m_timeouts(timeouts)
    , m_transmissionDelay(transmissionDelay)
{}

void StartupControl::chooseOnceShown(QWidget *window)
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
    if (m_chosen)
        return;
    auto started = HostedControl::startFirst(m_hosts, m_timeouts);
    if (auto *hosted = std::get_if<std::unique_ptr<HostedControl>>(&started)) {
        m_chosen = hosted->release();
        m_chosen->setParent(this);
    } else {
        m_chosen = new SimulatedControl(m_transmissionDelay, this);
        auto *window = qobject_cast<QWidget *>(parent());
        auto *box =
            new QMessageBox(QMessageBox::Warning, window ? window->windowTitle() : QString(),
                            tr("The KV27 scripting control could not be created, so a "
                               "simulated device stands in.\n\n%1")
                                .arg(std::get<QString>(started)),
                            QMessageBox::Ok, window);
        // The hosts' reasons are their words, never markup.
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        box->open();
    }
    connect(m_chosen, &InterfaceControl::actionEvent, this, &InterfaceControl::actionEvent);
}

std::optional<QString> StartupControl::sendCommand(const QString &verb, const QString &text)
{
    choose();
    return m_chosen->sendCommand(verb, text);
}
