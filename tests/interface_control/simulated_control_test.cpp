#include "qt_printers.h"
#include "simulated_control.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString address(const QSignalSpy &spy, int index)
{
    return spy.at(index).at(0).value<ActionValues>().bszParm1.plainText();
}

TEST(SimulatedControl, ReportsAfterTheCallHasReturnedInTheOrderSent)
{
    SimulatedControl control(0ms);
    QSignalSpy reports(&control, &InterfaceControl::actionEvent);

    EXPECT_EQ(control.sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(control.sendCommand("sendrf", "B2 on"), std::nullopt);
    EXPECT_EQ(control.sendCommand("sendplc", "C3 on"), std::nullopt);
    EXPECT_EQ(reports.count(), 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.count() == 3; }));
    EXPECT_EQ(address(reports, 0), "A1");
    EXPECT_EQ(address(reports, 1), "B2");
    EXPECT_EQ(address(reports, 2), "C3");
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

TEST(SimulatedControl, ACommandSentFromTheHandlerQueuesBehind)
{
    SimulatedControl control(0ms);
    QStringList seen;
    QObject::connect(&control, &InterfaceControl::actionEvent, [&](const ActionValues &values) {
        seen << values.bszParm1.plainText();
        if (seen.size() == 1)
            control.sendCommand("sendplc", "D4 on");
    });
    control.sendCommand("sendplc", "A1 on");
    control.sendCommand("sendplc", "B2 on");
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (QStringList{"A1", "B2", "D4"}));
}

} // namespace
