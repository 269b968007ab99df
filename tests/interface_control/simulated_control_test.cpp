#include "qt_printers.h"
#include "simulated_control.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Reports come after the call has returned, in the order sent, a command sent from the handler
// of one queueing behind those already waiting.
TEST(SimulatedControl, ReportsAfterTheCallInTheOrderSent)
{
    SimulatedControl control(0ms);
    QList<EventValue> seen;
    QObject::connect(&control, &InterfaceControl::actionEvent, [&](const ActionValues &values) {
        seen << values.bszParm1;
        if (seen.size() == 1)
            control.sendCommand("sendplc", "D4 on");
    });
    EXPECT_EQ(control.sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(control.sendCommand("sendrf", "B2 on"), std::nullopt);
    EXPECT_TRUE(seen.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen,
              (QList{EventValue::text("A1"), EventValue::text("B2"), EventValue::text("D4")}));
}

TEST(SimulatedControl, WaitsForTheTransmissionDelay)
{
    SimulatedControl control(60s);
    QSignalSpy reports(&control, &InterfaceControl::actionEvent);
    ASSERT_EQ(control.sendCommand("sendplc", "A1 on"), std::nullopt);
    QTest::qWait(50);
    EXPECT_EQ(reports.count(), 0);
}

TEST(SimulatedControl, ARefusedCommandGivesTheMessageAndNoReport)
{
    SimulatedControl control(0ms);
    QSignalSpy reports(&control, &InterfaceControl::actionEvent);
    const auto error = control.sendCommand("sendplc", "Z1 on");
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains("house codes run from A to P"));
    QTest::qWait(20);
    EXPECT_EQ(reports.count(), 0);
}

} // namespace
