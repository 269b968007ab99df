#include "window_test_fixture.h"

#include <QTimer>

namespace {

constexpr int stormSize = 20'000;
constexpr int burstSize = 100;

using Storm = WindowTest;

// Bursts of actions, each within one turn of the event loop, as a device flushing its buffer
// sends them: every line is kept, in order, and the event loop, which paints the window and
// takes the user's keys, goes on turning between the bursts.
TEST_F(Storm, EveryActionIsLoggedInOrderAndTheWindowKeepsTurning)
{
    log()->setPlainText("typed before the storm");
    int delivered = 0;
    int turns = 0;
    QTimer storm;
    QObject::connect(&storm, &QTimer::timeout, [&] {
        for (int i = 0; i < burstSize; ++i)
            control->report({EventValue::text("storm"), EventValue::whole(delivered++)});
        if (delivered == stormSize)
            storm.stop();
    });
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++turns; });
    storm.start(0);
    heartbeat.start(0);
    while (storm.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    EXPECT_GE(turns, stormSize / burstSize / 2) << "the event loop stalled during the storm";
    const QStringList lines = log()->toCrLfText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), stormSize + 1);
    for (int i = 0; i < stormSize; ++i)
        ASSERT_EQ(lines[i], QStringLiteral("storm\t%1\t\t\t\t").arg(stormSize - 1 - i));
    EXPECT_EQ(lines.back(), "typed before the storm");
}

} // namespace
