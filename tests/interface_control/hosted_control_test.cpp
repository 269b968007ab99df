#include "hosted_control.h"
#include "qt_printers.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace std::chrono_literals;

const QByteArray ready = R"({"type":"ready"})";
const QByteArray done = R"({"type":"done"})";

QByteArray report(const char *name)
{
    return QByteArray(R"({"type":"action","values":[{"kind":"text","text":")") + name +
           R"("},{"kind":"empty"},{"kind":"empty"},{"kind":"empty"},{"kind":"empty"},)"
           R"({"kind":"empty"},{"kind":"empty"}]})";
}

// A HostedControl whose host is fake_host.sh playing the given steps.
class HostedControlTest : public testing::Test {
protected:
    std::unique_ptr<HostedControl> control(const QList<QByteArray> &steps,
                                           HostedControl::Timeouts timeouts = {5s, 2s})
    {
        QStringList arguments{state.filePath("runs")};
        for (const QByteArray &step : steps)
            arguments << QString::fromUtf8(step);
        return std::make_unique<HostedControl>(KV27_FAKE_HOST, arguments, timeouts);
    }

    int runs() const
    {
        QFile file(state.filePath("runs"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
    }

    QTemporaryDir state;
};

QString actionName(const QList<QVariant> &signal)
{
    return signal.at(0).value<ActionValues>().bszAction.plainText();
}

TEST_F(HostedControlTest, SendsCommandsToOneHostAndReportsRefusals)
{
    const QByteArray refused =
        R"({"type":"failed","hresult":"0x80040201","description":{"text":"no way"}})";
    auto hosted = control({ready, "@read", refused, "@read", done});
    EXPECT_EQ(hosted->sendCommand("sendplc", "Z9 on"), "no way (HRESULT 0x80040201)");
    EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(runs(), 1);
}

TEST_F(HostedControlTest, DeliversActionsInOrderOnlyAfterTheCommandReturns)
{
    qRegisterMetaType<ActionValues>();
    auto hosted = control({ready, report("idle"), "@read", report("first"), report("second"), done,
                           "@read", report("late"), done});
    QSignalSpy actions(hosted.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(hosted->start(), std::nullopt);
    ASSERT_TRUE(actions.wait(5000));

    ASSERT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(actions.size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return actions.size() == 3; }));

    ASSERT_EQ(hosted->sendCommand("sendplc", "A1 off"), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return actions.size() == 4; }));
    QStringList names;
    for (const auto &signal : actions)
        names << actionName(signal);
    EXPECT_EQ(names, (QStringList{"idle", "first", "second", "late"}));
}

struct Breakdown {
    const char *name;
    QList<QByteArray> steps; // "1:" steps happen in the first host only
    const char *reason;
};

void PrintTo(const Breakdown &breakdown, std::ostream *os)
{
    *os << breakdown.name;
}

class HostBreakdown : public HostedControlTest, public testing::WithParamInterface<Breakdown> {};

// The command at hand fails with the reason, and the next one starts a fresh host.
TEST_P(HostBreakdown, FailsTheCommandAndRecoversWithAFreshHost)
{
    auto hosted = control(GetParam().steps, {1s, 500ms});
    const auto failure = hosted->sendCommand("sendplc", "A1 on");
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains(QString::fromUtf8(GetParam().reason))) << failure->toStdString();
    EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(runs(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostBreakdown,
    testing::Values(
        Breakdown{"notReady", {"1:@exit 0", ready, "@read", done}, "exit code 0"},
        Breakdown{"unavailable",
                  {R"(1:{"type":"unavailable","hresult":"0x800401F3",)"
                   R"("description":{"text":"Not installed."}})",
                   "1:@exit 1", ready, "@read", done},
                  "Not installed. (HRESULT 0x800401F3)"},
        Breakdown{"answersFirst", {"1:" + done, ready, "@read", done}, "out of turn"},
        Breakdown{"hangsAtStart", {"1:@sleep 30", ready, "@read", done}, "within 1 seconds"},
        Breakdown{"dies", {ready, "@read", "1:@exit 4", done}, "exit code 4"},
        Breakdown{"crashes", {ready, "@read", "1:@crash", done}, "stopped unexpectedly"},
        Breakdown{"hangs", {ready, "@read", "1:@sleep 30", done}, "within 0.5 seconds"},
        Breakdown{"garbage", {ready, "@read", "1:not a message", done}, "not JSON"},
        Breakdown{"wrongAnswer", {ready, "@read", "1:" + ready, done}, "out of turn"},
        Breakdown{"halfALine",
                  {ready, "@read", R"(1:@partial {"type":"done")", "1:@sleep 30", done},
                  "within 0.5 seconds"}));

TEST_F(HostedControlTest, AProgramThatCannotBeStartedIsNamed)
{
    HostedControl hosted("/nonexistent/kv27-control-host64.exe", {}, {1s, 1s});
    const auto failure = hosted.sendCommand("sendplc", "A1 on");
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains("\"/nonexistent/kv27-control-host64.exe\" could not be started"))
        << failure->toStdString();
}

QStringList warnings;

void collectWarning(QtMsgType, const QMessageLogContext &, const QString &message)
{
    warnings << message;
}

// Between commands there is no command to fail: the host is let go and the next command
// starts another.
TEST_F(HostedControlTest, AHostThatBreaksBetweenCommandsIsReplaced)
{
    const QList<QByteArray> faults[] = {{"1:@exit 0"}, {"1:garbage"}, {"1:" + done}};
    for (const auto &fault : faults) {
        SCOPED_TRACE(fault.front().toStdString());
        const QString go = state.filePath("go");
        QFile::remove(state.filePath("runs"));
        QFile::remove(go);
        warnings.clear();
        auto hosted = control(QList<QByteArray>{ready, "1:@await " + go.toUtf8()} + fault +
                              QList<QByteArray>{"@read", done});
        ASSERT_EQ(hosted->start(), std::nullopt);
        QFile(go).open(QIODevice::WriteOnly);
        const QtMessageHandler previous = qInstallMessageHandler(collectWarning);
        const bool noticed = QTest::qWaitFor([] { return !warnings.isEmpty(); });
        qInstallMessageHandler(previous);
        ASSERT_TRUE(noticed);
        EXPECT_TRUE(warnings.front().contains("next command starts"))
            << warnings.front().toStdString();
        EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
        EXPECT_EQ(runs(), 2);
    }
}

TEST_F(HostedControlTest, StartsTheFirstHostThatCreatesTheControl)
{
    const QString notInstalled = R"({"type":"unavailable","hresult":"0x800401F3",)"
                                 R"("description":{"text":"Not installed."}})";
    const QStringList unavailable{KV27_FAKE_HOST, state.filePath("a"), notInstalled};
    const QStringList missing{"/nonexistent/kv27-control-host32.exe"};
    const QStringList working{KV27_FAKE_HOST, state.filePath("b"), ready, "@read", done};

    auto started = HostedControl::startFirst({unavailable, working, missing}, {1s, 1s});
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<HostedControl>>(started));
    EXPECT_EQ(std::get<0>(started)->sendCommand("sendplc", "A1 on"), std::nullopt);

    const auto none = HostedControl::startFirst({unavailable, missing}, {1s, 1s});
    ASSERT_TRUE(std::holds_alternative<QString>(none));
    EXPECT_TRUE(std::get<QString>(none).startsWith("Not installed. (HRESULT 0x800401F3)\n"));
    EXPECT_TRUE(std::get<QString>(none).contains("could not be started"));
}

} // namespace
