#include "action_log.h"
#include "event_loop_gaps.h"
#include "exerciser_window.h"
#include "fake_host.h"
#include "message_box_text.h"
#include "qt_printers.h"
#include "startup_control.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <qpa/qwindowsysteminterface.h>

namespace {

using namespace std::chrono_literals;
using namespace FakeHostLines;

const QString missingHost = QStringLiteral("/nonexistent/kv27-control-host32.exe");

class StartupControlTest : public FakeHostTest {
protected:
    // The window as the program shows it on Windows, trying the given hosts once it is painted.
    void showWindow(const QList<QStringList> &hosts, HostedControl::Timeouts timeouts)
    {
        auto owned = std::make_unique<StartupControl>(hosts, timeouts, 0ms);
        control = owned.get();
        window = std::make_unique<ExerciserWindow>(std::move(owned));
        control->chooseOnceShown(window.get());
        window->show();
    }

    ActionLog *log() const { return window->findChild<ActionLog *>("Text8"); }
    void press(const char *button) const
    {
        QTest::mouseClick(window->findChild<QPushButton *>(button), Qt::LeftButton);
    }

    StartupControl *control = nullptr;
    std::unique_ptr<ExerciserWindow> window;
};

// Without the device's control the window says why in the hosts' own words, never read as
// markup, in the box it shows for any failure, each reason once with the hosts that gave it, and
// the simulated device stands in.
TEST_F(StartupControlTest, SaysPlainlyAndOnceWhyNoHostCouldCreateTheControl)
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
    const QString shown = shownText(box);
    EXPECT_TRUE(shown.startsWith("The KV27 scripting control could not be created, so a simulated "
                                 "device stands in.\n<b>Not</b> installed. (HRESULT 0x800401F3)\n"
                                 "Tried by kv27-control-host64.exe and kv27-control-host32.exe.\n"
                                 "The control host \"" +
                                 missingHost + "\" could not be started"))
        << shown.toStdString();

    box->accept();
    press("Command1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->toCrLfText().isEmpty(); }));
    EXPECT_EQ(log()->toCrLfText(), "sendplc\tA1\ton\t\t 100\t 100\r\n");
}

TEST_F(StartupControlTest, APressBeforeTheWindowShowsStartsTheFirstHostThatCreatesTheControl)
{
    StartupControl control(
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
TEST_F(StartupControlTest, TheWindowStaysInUseWhileAHostStarts)
{
    showWindow({host({"@pause 3", ready, "@read", report("b"), done})}, {10s, 2s});
    QElapsedTimer sinceShown;
    sinceShown.start();
    const auto chosen = [&] { return control->findChild<HostedControl *>() != nullptr; };

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
    ASSERT_FALSE(chosen()) << "the host answered too soon for this test";

    press("Command1");
    EXPECT_GE(sinceShown.elapsed(), 3000);
    EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->toCrLfText().isEmpty(); }));
    EXPECT_EQ(log()->toCrLfText(), "b\t\t\t\t\t\r\n");
}

// While a press waits for the control, the window paints and stays disabled while the control
// asks, but takes no input: what the user types meanwhile arrives once the press is over.
TEST_F(StartupControlTest, PaintsButTakesNoInputWhileAPressWaits)
{
    const QByteArray disabled = R"({"type":"modeless","enabled":false})";
    const QByteArray enabled = R"({"type":"modeless","enabled":true})";
    showWindow({host({ready, "@read", disabled, "@pause 1", enabled, done})}, {5s, 5s});
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *commandLine = window->findChild<QLineEdit *>("CommandLine");
    commandLine->setFocus();
    int paints = 0;
    bool disabledMeanwhile = false;
    QString typedMeanwhile = "not looked at";
    QTimer::singleShot(300ms, [&] {
        disabledMeanwhile = !window->isEnabled();
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window->windowHandle(), QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
        log()->viewport()->update();
    });
    QTimer::singleShot(600ms, [&] { typedMeanwhile = commandLine->text(); });
    struct PaintCounter : QObject {
        int &count;
        explicit PaintCounter(int &count)
            : count(count)
        {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            count += event->type() == QEvent::Paint;
            return false;
        }
    } counter(paints);
    log()->viewport()->installEventFilter(&counter);

    // As a keyboard shortcut would, so that the focus stays where the user types.
    window->findChild<QPushButton *>("SendPL")->click();
    EXPECT_GT(paints, 0);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(typedMeanwhile, "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return commandLine->text() == "x"; }));
}

} // namespace
