#include "qt_printers.h"
#include "simulated_control.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Reports come a transmission delay after the call has returned, in the order sent, a command
// sent from the handler of one queueing behind those already waiting. A refused command gives
// the device's message and no report.
TEST(SimulatedControl, ReportsAfterTheDelayInTheOrderSent)
{
    SimulatedControl slow(60s);
    QSignalSpy slowReports(&slow, &InterfaceControl::actionEvent);
    ASSERT_EQ(slow.sendCommand("sendplc", "A1 on"), std::nullopt);

    SimulatedControl control(0ms);
    QList<EventValue> seen;
    QObject::connect(&control, &InterfaceControl::actionEvent, [&](const ActionValues &values) {
        seen << values.bszParm1;
        if (seen.size() == 1)
            control.sendCommand("sendplc", "D4 on");
    });
    EXPECT_EQ(control.sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_TRUE(control.sendCommand("sendplc", "Z1 on")
                    .value_or(QString())
                    .contains("house codes run from A to P"));
    EXPECT_EQ(control.sendCommand("sendrf", "B2 on"), std::nullopt);
    EXPECT_TRUE(seen.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen,
              (QList{EventValue::text("A1"), EventValue::text("B2"), EventValue::text("D4")}));
    EXPECT_EQ(slowReports.count(), 0);
}

} // namespace
