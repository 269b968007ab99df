#include "fake_host.h"
#include "hosted_control.h"
#include "qt_printers.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace std::chrono_literals;
using namespace FakeHostLines;

class HostedControlTest : public FakeHostTest {
protected:
    std::unique_ptr<HostedControl> control(const QList<QByteArray> &steps,
                                           HostedControl::Timeouts timeouts = {5s, 2s})
    {
        const QStringList fake = host(steps);
        return std::make_unique<HostedControl>(fake.front(), fake.mid(1), timeouts);
    }
};

TEST_F(HostedControlTest, DeliversActionsInOrderOnlyAfterTheCommandReturns)
{
    qRegisterMetaType<ActionValues>();
    auto hosted = control({ready, report("idle"), "@read", report("first"), report("second"), done,
                           "@read", report("late"), done});
    QSignalSpy actions(hosted.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(hosted->waitUntilReady(), std::nullopt);
    ASSERT_TRUE(actions.wait(5000));

    ASSERT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(actions.size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return actions.size() == 3; }));

    ASSERT_EQ(hosted->sendCommand("sendplc", "A1 off"), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return actions.size() == 4; }));
    QList<EventValue> names;
    for (const auto &signal : actions)
        names << signal.at(0).value<ActionValues>().bszAction;
    EXPECT_EQ(names, (QList{EventValue::text("idle"), EventValue::text("first"),
                            EventValue::text("second"), EventValue::text("late")}));
}

// A fault costs at most the command at hand, with a reason; the next command gets a fresh host.
TEST_F(HostedControlTest, AFaultFailsOnlyTheCommandAtHand)
{
    const QByteArray refused =
        R"({"type":"failed","hresult":"0x80040201","description":{"text":"no way"}})";
    const struct {
        const char *name;
        QList<QByteArray> steps;
        const char *failure; // none: the first command succeeds
        int runs = 2;
        bool between = false; // the host breaks after the first command, once "go" exists
    } cases[] = {
        {"refused", {ready, "@read", refused, "@read", done}, "no way (HRESULT 0x80040201)", 1},
        {"notReady", {"1:@exit 0", ready, "@read", done}, "exit code 0", 2},
        {"unavailable",
         {"1:" + notInstalled, "1:@exit 1", ready, "@read", done},
         "Not installed. (HRESULT 0x800401F3)",
         2},
        {"answersFirst", {"1:" + done, ready, "@read", done}, "out of turn", 2},
        {"hangsAtStart", {"1:@sleep 30", ready, "@read", done}, "within 1 seconds", 2},
        {"dies", {ready, "@read", "1:@exit 4", done}, "exit code 4", 2},
        {"crashes", {ready, "@read", "1:@crash", done}, "stopped unexpectedly", 2},
        {"hangs", {ready, "@read", "1:@sleep 30", done}, "within 0.5 seconds", 2},
        {"garbage", {ready, "@read", "1:not a message", done}, "not JSON", 2},
        {"wrongAnswer", {ready, "@read", "1:" + ready, done}, "out of turn", 2},
        {"halfALine",
         {ready, "@read", R"(1:@partial {"type":"done")", "1:@sleep 30", done},
         "within 0.5 seconds",
         2},
        // The control took the command: its answer counts, and the bad line retires the host.
        {"answerThenGarbage",
         {ready, "@read", "1:" + done + "\nnot a message", "2:" + done},
         nullptr,
         2},
        {"endsBetween",
         {ready, "@read", done, "1:@await go", "1:@exit 0", "@read", done},
         nullptr,
         2,
         true},
        {"garbageBetween",
         {ready, "@read", done, "1:@await go", "1:garbage", "@read", done},
         nullptr,
         2,
         true},
        {"answerBetween",
         {ready, "@read", done, "1:@await go", "1:" + done, "@read", done},
         nullptr,
         2,
         true},
    };
    for (const auto &fault : cases) {
        SCOPED_TRACE(fault.name);
        QFile::remove(state.filePath("runs"));
        QFile::remove(state.filePath("go"));
        auto hosted = control(fault.steps, {1s, 500ms});
        const auto first = hosted->sendCommand("sendplc", "A1 on");
        if (fault.failure)
            EXPECT_TRUE(first && first->contains(fault.failure))
                << first.value_or("succeeded").toStdString();
        else
            EXPECT_EQ(first, std::nullopt);
        if (fault.between) {
            // Qt's pipe reader is still on the stack in the process's own signal: tearing the
            // process down there frees it under the reader.
            auto *process = hosted->findChild<QProcess *>();
            bool tornDown = false;
            QObject::connect(process, &QProcess::readyReadStandardOutput,
                             [&] { tornDown |= process->state() == QProcess::NotRunning; });
            QFile(state.filePath("go")).open(QIODevice::WriteOnly);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !hosted->findChild<QProcess *>(); }));
            EXPECT_FALSE(tornDown);
        }
        EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
        EXPECT_EQ(runs(), fault.runs);
    }
}

// The user's time on a window of the control's own counts against no limit, at the start or in a
// command; meanwhile the program holds its window, as while the control has its container's
// windows disabled, which stops no clock. A host that ends meanwhile lets the window go.
TEST_F(HostedControlTest, TheControlsOwnWindowsStopTheClock)
{
    const QByteArray opened = R"({"type":"window","open":true})";
    const QByteArray closed = R"({"type":"window","open":false})";
    const QByteArray disabled = R"({"type":"modeless","enabled":false})";
    const struct {
        const char *name;
        QList<QByteArray> steps;
        const char *failure; // none: the command succeeds
    } cases[] = {
        {"atStart", {opened, "@pause 2", closed, ready, "@read", done}, nullptr},
        {"inACommand", {ready, "@read", opened, "@pause 2", closed, done}, nullptr},
        {"modeless", {ready, "@read", disabled, "@sleep 30"}, "within 1 seconds"},
        {"hostEndsMeanwhile", {ready, "@read", opened, "@exit 3"}, "exit code 3"},
    };
    for (const auto &[name, steps, failure] : cases) {
        SCOPED_TRACE(name);
        QFile::remove(state.filePath("runs"));
        auto hosted = control(steps, {1s, 1s});
        QSignalSpy modal(hosted.get(), &InterfaceControl::modalStateChanged);
        const auto result = hosted->sendCommand("sendplc", "A1 on");
        if (failure)
            EXPECT_TRUE(result && result->contains(failure)) << result.value_or("").toStdString();
        else
            EXPECT_EQ(result, std::nullopt);
        EXPECT_EQ(modal, (QList<QList<QVariant>>{{true}, {false}}));
    }
}

} // namespace
