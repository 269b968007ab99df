#include "event_loop_gaps.h"
#include "exerciser_window.h"
#include "fake_host.h"
#include "hosted_control.h"
#include "message_box_text.h"
#include "paint_recorder.h"
#include "qt_printers.h"
#include "window_parts.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <qpa/qwindowsysteminterface.h>
#include <signal.h>

namespace {

using namespace std::chrono_literals;
using namespace FakeHostLines;

const QString missingHost = QStringLiteral("/nonexistent/kv27-control-host32.exe");

class HostedControlTest : public FakeHostTest {
protected:
    // One host, and nothing to stand in for it.
    std::unique_ptr<HostedControl> control(const QList<QByteArray> &steps,
                                           HostedControl::Timeouts timeouts = {5s, 2s})
    {
        return std::make_unique<HostedControl>(QList<QStringList>{host(steps)}, timeouts);
    }

    // The window as the program shows it on Windows, trying the given hosts once it is painted,
    // with the simulated device to stand in.
    void showWindow(const QList<QStringList> &hosts, HostedControl::Timeouts timeouts)
    {
        auto owned = std::make_unique<HostedControl>(hosts, timeouts, 0ms);
        shown = owned.get();
        window = std::make_unique<ExerciserWindow>(std::move(owned));
        shown->followWindow(window.get());
        window->show();
    }

    ActionLog *log() const { return logOf(window.get()); }
    void press(const char *button) const { ::press(window.get(), button); }

    HostedControl *shown = nullptr;
    std::unique_ptr<ExerciserWindow> window;
};

TEST_F(HostedControlTest, DeliversActionsInOrderOnlyAfterTheCommandReturns)
{
    qRegisterMetaType<ActionValues>();
    auto hosted = control({ready, report("idle"), "@read", report("first"), report("second"), done,
                           "@read", report("late"), done});
    QSignalSpy actions(hosted.get(), &InterfaceControl::actionEvent);
    hosted->choose();
    ASSERT_TRUE(actions.wait(5000));
    EXPECT_EQ(hosted->state(), HostedControl::State::Hosted);

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
    } cases[] = {
        {"refused", {ready, "@read", refused, "@read", done}, "no way (HRESULT 0x80040201)", 1},
        {"notReady", {"1:@exit 0", ready, "@read", done}, "exit code 0"},
        {"unavailable",
         {"1:" + notInstalled, "1:@exit 1", ready, "@read", done},
         "Not installed. (HRESULT 0x800401F3)"},
        {"answersFirst", {"1:" + done, ready, "@read", done}, "out of turn"},
        {"hangsAtStart", {"1:@sleep 30", ready, "@read", done}, "within 1 seconds"},
        {"dies", {ready, "@read", "1:@exit 4", done}, "exit code 4"},
        {"crashes", {ready, "@read", "1:@crash", done}, "stopped unexpectedly (signal 11)"},
        {"isKilled", {ready, "@read", "1:@killed", done}, "was ended (signal 15)"},
        {"hangs", {ready, "@read", "1:@sleep 30", done}, "within 0.5 seconds"},
        {"garbage",
         {ready, "@read", "1:not a message", done},
         R"(wrote something that is not a message, beginning "not a message": a line is not JSON)"},
        // Whatever wrote it, the user can tell from its start, however long or unprintable.
        {"strangeGarbage",
         {ready, "@read", "1:\x1b[1mwine: " + QByteArray(100, 'x'), done},
         R"(beginning "\x1b[1mwine: xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx…": a line)"},
        {"wrongAnswer", {ready, "@read", "1:" + ready, done}, "out of turn"},
        {"halfALine",
         {ready, "@read", R"(1:@partial {"type":"done")", "1:@sleep 30", done},
         "within 0.5 seconds"},
        // The control took the command: its answer counts, and the bad line retires the host.
        {"answerThenGarbage",
         {ready, "@read", "1:" + done + "\nnot a message", "2:" + done},
         nullptr},
        {"endsBetween", {ready, "@read", done, "1:@await go", "1:@exit 0", "@read", done}, nullptr},
        {"garbageBetween",
         {ready, "@read", done, "1:@await go", "1:garbage", "@read", done},
         nullptr},
        {"answerBetween",
         {ready, "@read", done, "1:@await go", "1:" + done, "@read", done},
         nullptr},
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
        // The host breaks after the first command, once "go" exists.
        if (fault.steps.contains("1:@await go")) {
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

// Without the device's control the window says why in the hosts' own words, never read as
// markup, in the box it shows for any failure, each reason once with the hosts that gave it, and
// the simulated device stands in.
TEST_F(HostedControlTest, SaysPlainlyAndOnceWhyNoHostCouldCreateTheControl)
{
    const QByteArray marked = R"({"type":"unavailable","hresult":"0x800401F3",)"
                              R"("description":{"text":"<b>Not</b> installed."}})";
    QList<QStringList> hosts;
    for (const char *name : {"kv27-control-host64.exe", "kv27-control-host32.exe"}) {
        hosts << host({marked});
        QFile::link(hosts.back().front(), state.filePath(name));
        hosts.back().front() = state.filePath(name);
    }
    showWindow(hosts << QStringList{missingHost}, {1s, 1s});
    EXPECT_EQ(runs(), 0) << "a host started before the window was painted";
    QMessageBox *box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = window->findChild<QMessageBox *>()); }));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    const QString why = shownText(box);
    EXPECT_TRUE(why.startsWith("The KV27 scripting control could not be created, so a simulated "
                               "device stands in.\n<b>Not</b> installed. (HRESULT 0x800401F3)\n"
                               "Tried by kv27-control-host64.exe and kv27-control-host32.exe.\n"
                               "The control host \"" +
                               missingHost + "\" could not be started"))
        << why.toStdString();

    box->accept();
    press("Command1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->toCrLfText().isEmpty(); }));
    EXPECT_EQ(log()->toCrLfText(), "sendplc\tA1\ton\t\t 100\t 100\r\n");
    EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
}

TEST_F(HostedControlTest, APressBeforeTheWindowShowsStartsTheFirstHostThatCreatesTheControl)
{
    HostedControl control(
        {host({notInstalled}, "a"), host({ready, "@read", report("b"), done}, "b"), {missingHost}},
        {1s, 1s}, 0ms);
    QSignalSpy actions(&control, &InterfaceControl::actionEvent);
    QSignalSpy problems(&control, &InterfaceControl::problem);
    EXPECT_EQ(control.sendCommand("sendplc", "A1 on"), std::nullopt);
    ASSERT_TRUE(actions.wait(5000));
    EXPECT_EQ(actions.front().at(0).value<ActionValues>().bszAction, EventValue::text("b"));
    EXPECT_EQ(runs("a"), 1);
    EXPECT_EQ(problems.count(), 0);
}

// A host that is slow to create the control keeps nobody waiting but a press: meanwhile the
// window paints, takes typing and clears its log; a press waits for the host and goes through.
TEST_F(HostedControlTest, TheWindowStaysInUseWhileAHostStarts)
{
    showWindow({host({"@pause 3", ready, "@read", report("b"), done})}, {10s, 2s});
    QElapsedTimer sinceShown;
    sinceShown.start();

    std::optional<EventLoopGaps> gaps(std::in_place);
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs() == 1; }));
    QTest::qWait(1000);
    EXPECT_LT(gaps->longest(), 1000);
    gaps.reset();

    log()->setFocus();
    QTest::keyClicks(log(), "typed");
    EXPECT_EQ(log()->toCrLfText(), "typed");
    press("Command3");
    EXPECT_EQ(log()->toCrLfText(), "");
    ASSERT_EQ(shown->state(), HostedControl::State::TryingHosts)
        << "the host answered too soon for this test";

    press("Command1");
    EXPECT_GE(sinceShown.elapsed(), 3000);
    EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->toCrLfText().isEmpty(); }));
    EXPECT_EQ(log()->toCrLfText(), "b\t\t\t\t\t\r\n");
}

// While a press waits for the control, the window paints and stays disabled while the control
// asks, but takes no input: what the user types and clicks meanwhile is carried out once the
// press is over, so that a button pressed twice sends twice.
TEST_F(HostedControlTest, PaintsButTakesNoInputWhileAPressWaits)
{
    showWindow({host({ready, "@read", disabled, "@pause 1", enabled, done, "@read", done})},
               {5s, 5s});
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *commandLine = window->findChild<QLineEdit *>("CommandLine");
    auto *sendPL = window->findChild<QPushButton *>("SendPL");
    commandLine->setFocus();
    bool disabledMeanwhile = false;
    QString typedMeanwhile = "not looked at";
    QTimer::singleShot(300ms, [&] {
        disabledMeanwhile = !window->isEnabled();
        QWindow *shownWindow = window->windowHandle();
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            shownWindow, QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
        const QPointF onSendPL = sendPL->mapTo(window.get(), sendPL->rect().center());
        for (const auto &[buttons, type] :
             {std::pair{Qt::MouseButtons(Qt::LeftButton), QEvent::MouseButtonPress},
              std::pair{Qt::MouseButtons(), QEvent::MouseButtonRelease}})
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                shownWindow, onSendPL, shownWindow->mapToGlobal(onSendPL), buttons, Qt::LeftButton,
                type);
        log()->viewport()->update();
    });
    QTimer::singleShot(600ms, [&] { typedMeanwhile = commandLine->text(); });
    const PaintRecorder recorder{log()->viewport()};

    // As a keyboard shortcut would, so that the focus stays where the user types.
    sendPL->click();
    EXPECT_FALSE(recorder.paints.empty());
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(typedMeanwhile, "");
    EXPECT_EQ(commandsRead(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return commandLine->text() == "x"; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return commandsRead() == 2; }));
    EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
}

// The user can always close the program: also while a press waits for a host that is starting,
// for the control's answer, or for the user to answer a window of the control's own. The press
// gives up at once, no warning follows the closed window, and the host is ended.
TEST_F(HostedControlTest, TheUserCanCloseTheProgramWhileAPressWaits)
{
    const std::pair<const char *, QList<QByteArray>> cases[] = {
        {"starting", {"@sleep 60"}},
        {"answering", {ready, "@read", "@sleep 60"}},
        {"controlWindowOpen", {ready, "@read", opened, "@sleep 60"}},
    };
    for (const auto &[name, steps] : cases) {
        SCOPED_TRACE(name);
        showWindow({host(steps)}, {30s, 30s});
        QTimer::singleShot(500ms, [&] {
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window->windowHandle());
        });
        QElapsedTimer pressing;
        pressing.start();
        press("Command1");
        EXPECT_LT(pressing.elapsed(), 5000);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
        const qint64 host = hostProcess();
        ASSERT_GT(host, 0);
        window.reset();
        EXPECT_NE(::kill(pid_t(host), 0), 0) << "the host still runs";
    }
}

// A press that comes while another waits, as a screen reader's action on a button can, is refused
// in words, and the press that waits still gets its own answer.
TEST_F(HostedControlTest, ACommandWhileAnotherWaitsIsRefused)
{
    auto hosted = control({ready, "@read", "@pause 1", done, "@read", done});
    std::optional<QString> meanwhile;
    QTimer::singleShot(300ms, [&] { meanwhile = hosted->sendCommand("sendplc", "B2 on"); });
    EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(meanwhile, "Another command is still being sent; try again once it is done.");
}

// Nor does a host the program goes on to after the close hold it: the next host it tries, or one
// started for a click carried out once the press is over.
TEST_F(HostedControlTest, NoHostHoldsTheProgramOnceItsWindowIsClosed)
{
    showWindow({host({"@sleep 60"})}, {5s, 5s});
    window->close();
    EXPECT_EQ(shown->sendCommand("sendplc", "A1 on"), "The program was closed.");
}

} // namespace
