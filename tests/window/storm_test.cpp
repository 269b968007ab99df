#include "window_test_fixture.h"

#include <QKeyEvent>
#include <QTimer>

namespace {

constexpr int stormSize = 100'000;
constexpr int burstSize = 100;

ActionValues stormAction(int i)
{
    return {EventValue::text("storm"),
            EventValue::whole(i),
            EventValue::text("on"),
            EventValue::number(i / 4.0),
            EventValue::whole(-i),
            EventValue::text(QString::number(i % 7)),
            EventValue()};
}

QString stormLine(int i)
{
    const QString minus = i == 0 ? QStringLiteral(" 0") : QString::number(-i);
    return QStringLiteral("storm\t%1\ton\t %2\t%3\t %4")
        .arg(i)
        .arg(QString::number(i / 4.0, 'g', 10), minus)
        .arg(i % 7);
}

// Counts paint events, to see that the screen keeps up while the storm drains.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

using Storm = WindowTest;

// The control delivers the actions in bursts, each burst back to back within one turn of the
// event loop, as a device flushing its buffer would: the window must keep every line in order
// and take the user's input between bursts.
TEST_F(Storm, EveryActionIsLoggedInOrderAndTheWindowStaysResponsive)
{
    log()->setPlainText("typed before the storm");
    QLineEdit *commandLine = box("CommandLine");
    PaintCounter counter;
    log()->viewport()->installEventFilter(&counter);

    int delivered = 0;
    int turns = 0;
    int deliveredWhenTyped = -1;
    int paintsBeforeTheEnd = 0;
    QTimer storm;
    storm.setInterval(0);
    QObject::connect(&storm, &QTimer::timeout, [&] {
        for (int i = 0; i < burstSize; ++i)
            control->report(stormAction(delivered++));
        if (delivered == stormSize / 2)
            QCoreApplication::postEvent(
                commandLine, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
        if (delivered == stormSize) {
            paintsBeforeTheEnd = counter.paints;
            storm.stop();
        }
    });
    QTimer heartbeat;
    heartbeat.setInterval(0);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++turns; });
    QObject::connect(commandLine, &QLineEdit::textEdited, [&] { deliveredWhenTyped = delivered; });

    commandLine->setFocus();
    storm.start();
    heartbeat.start();
    while (storm.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    EXPECT_GE(turns, stormSize / burstSize / 2) << "the event loop stalled while the storm drained";
    EXPECT_GT(paintsBeforeTheEnd, 1) << "the log was not redrawn during the storm";
    EXPECT_GT(deliveredWhenTyped, 0) << "a key pressed during the storm was not taken";
    EXPECT_LT(deliveredWhenTyped, stormSize) << "a key pressed during the storm waited for its end";
    EXPECT_EQ(commandLine->text(), "x");

    const QStringList lines = log()->text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), stormSize + 1);
    for (int i = 0; i < stormSize; ++i)
        ASSERT_EQ(lines[i], stormLine(stormSize - 1 - i)) << "line " << i + 1;
    EXPECT_EQ(lines.back(), "typed before the storm");
    EXPECT_EQ(box("Text2")->text(), QString::number(stormSize - 1));
}

} // namespace
