#include "bench_window.h"

#include "action_log.h"
#include "exerciser_window.h"
#include "paint_recorder.h"
#include "read_join_write.h"
#include "recording_control.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWindow>
#include <stdexcept>

// Counts the events that reach the objects it filters.
class BenchWindow::EventCounter : public QObject {
public:
    bool eventFilter(QObject *, QEvent *) override
    {
        ++count;
        return false;
    }

    int count = 0;
};

BenchWindow::BenchWindow(Handler handler, QPoint place)
    : m_control(new RecordingControl)
    , m_window(std::make_unique<ExerciserWindow>(std::unique_ptr<InterfaceControl>(m_control)))
    , m_log(m_window->findChild<ActionLog *>(QStringLiteral("Text8")))
    , m_clear(m_window->findChild<QPushButton *>(QStringLiteral("Command3")))
    , m_logPaints(new PaintRecorder{m_log->viewport()})
    , m_events(std::make_unique<EventCounter>())
{
    QCoreApplication::instance()->installEventFilter(m_events.get());
    if (handler == Handler::ReadJoinWrite)
        useReadJoinWrite(m_window.get(), m_control);
    m_window->move(place.x() * (m_window->width() + 40), place.y() * (m_window->height() + 40));
    m_window->show();
    // Nothing is painted before the platform has exposed the window.
    QDeadlineTimer patience(30'000);
    while (!m_window->windowHandle()->isExposed() && !patience.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!m_window->windowHandle()->isExposed())
        throw std::runtime_error("the platform never showed the window");
    paint();
}

BenchWindow::~BenchWindow() = default;

void BenchWindow::report(const ActionValues &values)
{
    m_control->report(values);
}

// The posted update request paints everything the window has waiting, value boxes included, and
// hands the frame to the platform before it returns; a forced repaint stands in when the log had
// nothing waiting. Each round delivers only what was posted before it began, and what it posts
// waits for the next, as it would wait for the event loop's next turn: a scroll area, for one,
// lays its scroll bars out again after their range changed. So rounds go on until one finds
// nothing left, and that work is timed with the step that caused it.
void BenchWindow::paint()
{
    const std::size_t before = m_logPaints->paints.size();
    for (int rounds = 0;; ++rounds) {
        if (rounds == 100)
            throw std::runtime_error("the window never came to rest");
        const int delivered = m_events->count;
        QCoreApplication::sendPostedEvents();
        if (m_events->count == delivered)
            break;
    }
    if (m_logPaints->paints.size() == before)
        m_log->viewport()->repaint();
    if (m_logPaints->paints.size() == before)
        throw std::runtime_error("the log was not painted, so nothing was measured");
}

void BenchWindow::runQueuedCalls()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

void BenchWindow::clear()
{
    m_clear->click();
}

void BenchWindow::pasteIntoLog(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    m_log->setFocus();
    paint();
    typeIntoLog(Qt::Key_V, Qt::ControlModifier, QString());
}

void BenchWindow::typeIntoLog(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    // Keys reach the log only while it has the focus, which takes the active window; the log
    // treats a line that arrives differently then.
    if (!m_window->isActiveWindow()) {
        m_window->activateWindow();
        QDeadlineTimer patience(30'000);
        while (!m_window->isActiveWindow() && !patience.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!m_window->isActiveWindow())
            throw std::runtime_error("the platform never made the window active");
    }
    m_log->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(m_log, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(m_log, &release);
}

void BenchWindow::leaveLog()
{
    m_clear->setFocus();
}

void BenchWindow::scrollLogAlong(double fraction)
{
    QScrollBar *scroll = m_log->horizontalScrollBar();
    scroll->setValue(int(scroll->maximum() * fraction));
}

void BenchWindow::repaintLog()
{
    m_log->viewport()->update();
}

int BenchWindow::lineCount() const
{
    return int(m_log->document().lineCount()) - 1;
}

int BenchWindow::linesFillingView() const
{
    return m_log->verticalScrollBar()->pageStep() - 2;
}

QString BenchWindow::logText() const
{
    return m_log->toCrLfText();
}

void BenchWindow::setLogText(const QString &text)
{
    m_log->setPlainText(text);
}

ActionValues benchAction(int n)
{
    const int amount = n % 101;
    const QString address = QString(QChar(u'A' + n % 16)) + QString::number(n / 16 % 16 + 1);
    const double change = amount + 0.5;
    return {EventValue::text(QStringLiteral("sendplc")),
            EventValue::text(address),
            EventValue::text(n % 2 ? QStringLiteral("dim") : QStringLiteral("bright")),
            EventValue::fraction(change),
            EventValue::whole(n % 2 ? 100 - amount : amount),
            EventValue::fraction(n % 2 ? -change : change),
            EventValue()};
}
