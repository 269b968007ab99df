// The Windows program's side under wine: Qt's Windows QProcess and event loop drive the real
// control host and the test control through the window.

#include "action_log.h"
#include "exerciser_window.h"
#include "hosted_control.h"
#include "message_box_text.h"
#include "qt_printers.h"
#include "startup_control.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <iostream>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

namespace {

using namespace std::chrono_literals;

const QString onLine = QStringLiteral("sendplc\tA1 on\t5\t\t\t");

QString buildFolder()
{
    return qEnvironmentVariable("KV27_BUILD_DIR");
}

QString hostBuiltAlone()
{
    return buildFolder() + "/control-host-x86_64/kv27-control-host64.exe";
}

QString hostBesideTheTestControl()
{
    return buildFolder() + "/test-control-x86_64/kv27-control-host64.exe";
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

// The control hosts this process started that still run.
QList<DWORD> runningHosts()
{
    QList<DWORD> hosts;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId() ||
            lstrcmpiW(entry.szExeFile, L"kv27-control-host64.exe") != 0)
            continue;
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
            hosts << entry.th32ProcessID;
        if (process)
            CloseHandle(process);
    }
    CloseHandle(snapshot);
    return hosts;
}

void crash(DWORD host)
{
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, host);
    TerminateProcess(process, 9);
    CloseHandle(process);
}

bool warned = false;

void noteWarning(QtMsgType type, const QMessageLogContext &, const QString &)
{
    warned = warned || type == QtWarningMsg;
}

class WindowUnderWine : public testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        log()->setPlainText("earlier line");
        press("Command1");
        ASSERT_TRUE(QTest::qWaitFor([&] { return log()->text() != "earlier line"; }, 60000));
    }

    ActionLog *log() { return window.findChild<ActionLog *>("Text8"); }
    void press(const char *button)
    {
        QTest::mouseClick(window.findChild<QPushButton *>(button), Qt::LeftButton);
    }
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
        std::make_unique<TestVerbs>(new HostedControl(hostBesideTheTestControl(), {}, {60s, 5s}))};
};

TEST_F(WindowUnderWine, OnReachesTheControlAndItsReportTopsTheLog)
{
    EXPECT_EQ(log()->text(), onLine + "\r\nearlier line");
    EXPECT_EQ(boxes(), (QStringList{"sendplc", "A1 on", "5", "", "", ""}));
    EXPECT_EQ(failure(), QString());
}

struct Fault {
    const char *name;
    const char *radioLine;       // sent from the window, if any
    void (*between)(DWORD host); // done to the idle host, if anything
    const char *reason;          // of the one command that fails, if any
    bool freshHost;
};

void PrintTo(const Fault &fault, std::ostream *os)
{
    *os << fault.name;
}

class HostFault : public WindowUnderWine, public testing::WithParamInterface<Fault> {};

// Only the command at hand fails, with the reason; the log and every box stay as they were, and
// the next command reaches the control, through a fresh host where the old one broke.
TEST_P(HostFault, FailsOnlyThatCommand)
{
    const Fault &fault = GetParam();
    const QList<DWORD> host = runningHosts();
    ASSERT_EQ(host.size(), 1);
    const QString logBefore = log()->text();
    const QStringList boxesBefore = boxes();

    if (fault.between) {
        warned = false;
        const QtMessageHandler previous = qInstallMessageHandler(noteWarning);
        fault.between(host.front());
        // Noticed at once, with nobody to tell but the warnings.
        EXPECT_TRUE(QTest::qWaitFor([] { return warned; }, 30000));
        qInstallMessageHandler(previous);
    }
    if (fault.radioLine)
        sendByRadio(fault.radioLine);
    const QString shown = failure();
    EXPECT_EQ(!shown.isEmpty(), fault.reason != nullptr) << shown.toStdString();
    if (fault.reason) {
        EXPECT_TRUE(shown.contains(fault.reason)) << shown.toStdString();
    }
    EXPECT_EQ(log()->text(), logBefore);
    EXPECT_EQ(boxes(), boxesBefore);

    press("Command1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return log()->text() != logBefore; }, 60000));
    EXPECT_EQ(log()->text(), onLine + "\r\n" + logBefore);
    EXPECT_EQ(runningHosts() != host, fault.freshHost);
}

// Every kind of host fault is tested against a scripted host on Linux; here, one of each road
// through Windows' own processes and pipes.
INSTANTIATE_TEST_SUITE_P(
    Faults, HostFault,
    testing::Values(
        Fault{"refused", "fail Z9 is no address", nullptr, "Z9 is no address (HRESULT 0x80040201)",
              false},
        Fault{"hangsInACommand", "hang", nullptr, "did not answer within 5 seconds", true},
        Fault{"crashesBetweenCommands", nullptr, crash, nullptr, true}),
    [](const auto &info) { return info.param.name; });

// The window as the program shows it: the control is chosen once the window is painted.
class StartingWindow : public testing::Test {
protected:
    void show(const QString &host)
    {
        auto owned = std::make_unique<StartupControl>(QList<QStringList>{{host}},
                                                      HostedControl::Timeouts{60s, 30s}, 0ms);
        StartupControl *control = owned.get();
        window = std::make_unique<ExerciserWindow>(std::move(owned));
        control->chooseOnceShown(window.get());
        window->show();
    }
    ActionLog *log() const { return window->findChild<ActionLog *>("Text8"); }
    void pressOn() const
    {
        QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    }

    std::unique_ptr<ExerciserWindow> window;
};

// Without the device's control the window says so once, in the host's words, and the simulated
// device answers the buttons.
TEST_F(StartingWindow, WithoutTheControlSaysSoOnceAndTheSimulatedDeviceStandsIn)
{
    show(hostBuiltAlone());
    QMessageBox *box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = window->findChild<QMessageBox *>()); }, 60000));
    const QString why = shownText(box);
    EXPECT_TRUE(why.contains("could not be created, so a simulated device stands in"))
        << why.toStdString();
    EXPECT_TRUE(why.contains(
        "The control \"HearthwickScriptLibCtl.Hearthwick\" is not installed or not registered."))
        << why.toStdString();
    delete box;

    pressOn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->text().isEmpty(); }));
    EXPECT_EQ(log()->text(), "sendplc\tA1\ton\t\t 100\t 100\r\n");
    EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
}

// A control that takes five seconds to be created keeps the window turning: it paints, types and
// clears meanwhile, and On, pressed once the control is there, reaches it.
TEST_F(StartingWindow, StaysInUseWhileASlowControlIsCreated)
{
    qputenv("KV27_TEST_CONTROL_VARIANT", "slow");
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    ticker.start(10);
    QElapsedTimer starting;
    starting.start();
    show(hostBesideTheTestControl());
    const auto chosen = [&] { return window->findChild<HostedControl *>() != nullptr; };

    QTest::qWait(2000);
    log()->setFocus();
    QTest::keyClicks(log(), "typed");
    EXPECT_EQ(log()->text(), "typed");
    QTest::mouseClick(window->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    EXPECT_EQ(log()->text(), "");
    EXPECT_FALSE(chosen());
    ASSERT_TRUE(QTest::qWaitFor(chosen, 60000));
    ticker.stop();
    std::cout << "The control was chosen after " << starting.elapsed()
              << " ms; the event loop's longest gap meanwhile was " << longestGap << " ms.\n";
    EXPECT_GE(starting.elapsed(), 5000);
    EXPECT_LT(longestGap, 1000);
    qunsetenv("KV27_TEST_CONTROL_VARIANT");

    pressOn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log()->text().isEmpty(); }, 30000));
    EXPECT_EQ(log()->text(), onLine + "\r\n");
}

} // namespace
