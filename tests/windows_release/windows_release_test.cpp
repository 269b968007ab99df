// The Windows program's side under wine: Qt's Windows QProcess and event loop drive the real
// control host and the test control through the window.

#include "control_contract.h"
#include "environment_guard.h"
#include "event_loop_gaps.h"
#include "exerciser_window.h"
#include "hosted_control.h"
#include "message_box_text.h"
#include "qt_printers.h"
#include "window_parts.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <windows.h>

namespace {

using namespace std::chrono_literals;

const QString onLine = QStringLiteral("sendplc\tA1 on\t5\t\t\t");

QString buildFolder()
{
    return qEnvironmentVariable("KV27_BUILD_DIR");
}

// The 64-bit host as the release has it, with no manifest.
QString hostBuiltAlone()
{
    return buildFolder() + "/control-host-x86_64/" + ControlContract::hostPrograms[0];
}

bool runs32BitCode()
{
    return qEnvironmentVariable("KV27_KERNEL_RUNS_32BIT_CODE") == "yes";
}

QString hostBesideTheTestControl()
{
    return buildFolder() + "/test-control-x86_64/" + ControlContract::hostPrograms[0];
}

// Radio commands here name a verb of the test control and its text, "fail Z9", so that the
// window's own buttons can make the control misbehave.
class TestVerbs : public InterfaceControl {
public:
    explicit TestVerbs(HostedControl *hosted)
        : m_hosted(hosted)
    {
        hosted->setParent(this);
        connect(hosted, &InterfaceControl::actionEvent, this, &InterfaceControl::actionEvent);
    }

    std::optional<QString> sendCommand(const QString &verb, const QString &text) override
    {
        if (verb != "sendrf")
            return m_hosted->sendCommand(verb, text);
        const qsizetype blank = text.indexOf(u' ');
        return m_hosted->sendCommand(text.left(blank), blank < 0 ? QString() : text.mid(blank + 1));
    }

private:
    HostedControl *m_hosted;
};

class WindowUnderWine : public testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        log()->setPlainText("earlier line");
        press("Command1");
        ASSERT_TRUE(QTest::qWaitFor([&] { return log()->toCrLfText() != "earlier line"; }, 60000));
    }

    ActionLog *log() { return logOf(&window); }
    void press(const char *button) { ::press(&window, button); }
    void sendByRadio(const QString &line)
    {
        window.findChild<QLineEdit *>("CommandLine")->setText(line);
        press("SendRF");
    }
    QStringList boxes()
    {
        QStringList texts;
        for (int box = 1; box <= 6; ++box)
            texts << window.findChild<QLineEdit *>(QStringLiteral("Text%1").arg(box))->text();
        return texts;
    }
    // The warning the window shows, closed, or nothing.
    QString failure()
    {
        std::unique_ptr<QMessageBox> box(window.findChild<QMessageBox *>());
        return box ? shownText(box.get()) : QString();
    }

    ExerciserWindow window{
        std::make_unique<TestVerbs>(new HostedControl({{hostBesideTheTestControl()}}, {60s, 5s}))};
};

TEST_F(WindowUnderWine, OnReachesTheControlAndItsReportTopsTheLog)
{
    EXPECT_EQ(log()->toCrLfText(), onLine + "\r\nearlier line");
    EXPECT_EQ(boxes(), (QStringList{"sendplc", "A1 on", "5", "", "", ""}));
    EXPECT_EQ(failure(), QString());
}

// Only the command at hand fails, with the reason, whether the control refused it, its host hung
// or it crashed; the log and every box stay as they were, and the next command reaches the control.
// The other faults of a host are tested against a scripted one on Linux.
TEST_F(WindowUnderWine, AFailedCommandLosesNothing)
{
    const std::pair<const char *, const char *> faults[] = {
        {"fail Z9 is no address", "Z9 is no address (HRESULT 0x80040201)"},
        {"hang", "did not answer within 5 seconds"},
        // At once, rather than under the system's crash report, and said so.
        {"fault", "The control host stopped unexpectedly, exit code 0xC0000005."},
    };
    for (const auto &[radioLine, reason] : faults) {
        SCOPED_TRACE(radioLine);
        const QString logBefore = log()->toCrLfText();
        const QStringList boxesBefore = boxes();
        sendByRadio(radioLine);
        const QString shown = failure();
        EXPECT_TRUE(shown.contains(reason)) << shown.toStdString();
        EXPECT_EQ(log()->toCrLfText(), logBefore);
        EXPECT_EQ(boxes(), boxesBefore);

        press("Command1");
        ASSERT_TRUE(QTest::qWaitFor([&] { return log()->toCrLfText() != logBefore; }, 60000));
        EXPECT_EQ(log()->toCrLfText(), onLine + "\r\n" + logBefore);
    }
}

// The user can close the program while a press waits, by any of the ways Windows closes a
// window, though Qt holds a posted close and the keys of Alt+F4 back with the rest of the input.
// The press then gives up at once, and no warning follows the closed window.
TEST(ClosingWindowUnderWine, TakesTheCloseWhileAPressWaits)
{
    const struct {
        const char *how;
        UINT message;
        WPARAM key;
        LPARAM keyState;
    } closes[] = {
        {"the close button", WM_SYSCOMMAND, SC_CLOSE, 0},
        {"a posted close", WM_CLOSE, 0, 0},
        {"Alt+F4", WM_SYSKEYDOWN, VK_F4, LPARAM(KF_ALTDOWN) << 16 | 1},
    };
    for (const auto &[how, message, key, keyState] : closes) {
        SCOPED_TRACE(how);
        auto *control = new HostedControl({{hostBesideTheTestControl()}}, {60s, 30s});
        ExerciserWindow window{std::make_unique<TestVerbs>(control)};
        control->followWindow(&window, window.winId());
        window.show();
        QTimer::singleShot(2s, &window, [&, message = message, key = key, keyState = keyState] {
            PostMessageW(HWND(window.winId()), message, key, keyState);
        });
        window.findChild<QLineEdit *>("CommandLine")->setText("hang");
        press(&window, "SendRF");
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(window.findChild<QMessageBox *>(), nullptr);
    }
}

// The window as the program shows it: the control is chosen once the window is painted.
class StartingWindow : public testing::Test {
protected:
    void show(const QList<QStringList> &hosts)
    {
        auto owned = std::make_unique<HostedControl>(hosts, HostedControl::Timeouts{60s, 30s}, 0ms);
        HostedControl *control = owned.get();
        window = std::make_unique<ExerciserWindow>(std::move(owned));
        control->followWindow(window.get());
        window->show();
    }
    ActionLog *log() const { return logOf(window.get()); }

    std::unique_ptr<ExerciserWindow> window;
};

// A control that takes five seconds to be created keeps the window turning: it paints, types and
// clears meanwhile, and On, pressed once the control is there, reaches it.
TEST_F(StartingWindow, StaysInUseWhileASlowControlIsCreated)
{
    std::optional<EnvironmentGuard> variant(std::in_place, "KV27_TEST_CONTROL_VARIANT", "slow");
    std::optional<EventLoopGaps> gaps(std::in_place);
    QElapsedTimer starting;
    starting.start();
    show({{hostBesideTheTestControl()}});
    const auto *control = window->findChild<HostedControl *>();
    const auto chosen = [control] { return control->state() == HostedControl::State::Hosted; };

    QTest::qWait(2000);
    log()->setFocus();
    QTest::keyClicks(log(), "typed");
    EXPECT_EQ(log()->toCrLfText(), "typed");
    press(window.get(), "Command3");
    EXPECT_EQ(log()->toCrLfText(), "");
    EXPECT_FALSE(chosen());
    ASSERT_TRUE(QTest::qWaitFor(chosen, 60000));
    const qint64 longestGap = gaps->longest();
    gaps.reset();
    std::cout << "The control was chosen after " << starting.elapsed()
              << " ms; the event loop's longest gap meanwhile was " << longestGap << " ms.\n";
    EXPECT_GE(starting.elapsed(), 5000);
    EXPECT_LT(longestGap, 1000);
    variant.reset();

    press(window.get(), "Command1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->toCrLfText().isEmpty(); }, 30000));
    EXPECT_EQ(log()->toCrLfText(), onLine + "\r\n");
}

// Where only a 32-bit control is installed, the program tries the 64-bit host, then the 32-bit
// one, which creates the control: On reaches it and its report tops the log.
TEST_F(StartingWindow, FallsBackToThe32BitHostForA32BitControl)
{
    QProcess probe;
    probe.start(buildFolder() + "/test-control-i686/bitness_probe32.exe");
    if (!probe.waitForFinished(60000) || probe.readAllStandardOutput().trimmed() != "32") {
        if (!runs32BitCode())
            GTEST_SKIP() << "this machine's kernel runs no 32-bit code, so neither does wine";
        FAIL() << "wine runs no 32-bit programs here, though the kernel does: is wine32 missing?";
    }
    show({{hostBuiltAlone()},
          {buildFolder() + "/test-control-i686/" + ControlContract::hostPrograms[1]}});
    const auto *control = window->findChild<HostedControl *>();
    ASSERT_TRUE(QTest::qWaitFor(
        [control] { return control->state() == HostedControl::State::Hosted; }, 60000));
    press(window.get(), "Command1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->toCrLfText().isEmpty(); }, 30000));
    EXPECT_EQ(log()->toCrLfText(), onLine + "\r\n");
    EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
}

} // namespace
