// The real control host, cross-compiled, run under wine against the test control.

#include "program_wire.h"
#include "value_text.h"
#include "wine_test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace WineTest;

class ControlHostUnderWine : public BothBitnesses {
protected:
    QString host() const { return hostBesideTheTestControl(bits()); }
    std::unique_ptr<HostedControl> control(HostedControl::Timeouts timeouts = underWine,
                                           const QStringList &arguments = {}) const
    {
        return hosted(host(), timeouts, arguments);
    }
};

// What the test control reports when it received the verb and the text exactly. A refusal or
// a crash fails only that command, and the next one reaches the control; the other faults of a
// host are tested against a scripted one.
TEST_P(ControlHostUnderWine, HandsOverTheExactStrings)
{
    const struct {
        QString verb, text;
        const char *failure = nullptr;
    } commands[] = {
        {"sendplc", "A1 on"},
        {"sendrf", "  b2 DIM 20 "},
        {"sendplc", ""},
        {"fail", "Z9 is no address", "Z9 is no address (HRESULT 0x80040201)"},
        {"sendplc", "\"quoted\" \\ tab\tline\r\nbreak"},
        {"crash", "", "exit code 3"},
        // At once, rather than under the system's crash report; wine passes the low byte of the
        // fault's code, 0xC0000005, on to Linux.
        {"fault", "", "The control host ended with exit code 5."},
        {"sendplc", QString::fromUtf8("a\0b", 3)},
        {"sendrf", "𝄞 Ärger €"},
        {"print", "what the control prints stays out of the messages"},
    };
    auto hosted = control({60s, 5s});
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    QList<ActionValues> expected;
    for (const auto &[verb, text, failure] : commands) {
        const auto result = hosted->sendCommand(verb, text);
        if (failure) {
            EXPECT_TRUE(result && result->contains(failure)) << result.value_or("").toStdString();
            continue;
        }
        EXPECT_EQ(result, std::nullopt) << text.toStdString();
        expected << echo(verb, text);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= expected.size(); }));
    EXPECT_EQ(actions(spy), expected);
}

// Every kind of value reaches the program as the control raised it, by reference or not: numbers
// with more digits than a double holds keep every one, and an event of six or eight values
// comes with seven.
TEST_P(ControlHostUnderWine, ReportsEveryKindOfValue)
{
    constexpr qint64 int64Min = std::numeric_limits<qint64>::min();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const auto text = [](const QString &value) { return EventValue::text(value); };
    const auto whole = [](qint64 value) { return EventValue::whole(value); };
    const auto number = [](double value) { return EventValue::fraction(value); };
    const auto decimal = [](const QString &digits) { return EventValue::decimal(digits); };
    const EventValue empty;
    const EventValue null = EventValue::null();
    ActionValues six = texts({"(an object)", "1", "2", "3", "4", "5"});
    six.reserved = empty;
    QList<ActionValues> expected{
        {text("kinds"), empty, null, whole(-8), whole(-16000), whole(-2000000000), whole(int64Min)},
        {whole(255), whole(65535), whole(4294967295), decimal("18446744073709551615"), whole(-7),
         whole(7), whole(42)},
        {number(1.5), number(-0.1), number(std::numeric_limits<double>::quiet_NaN()),
         number(-infinity), number(12.5), whole(-3), whole(-12345678901234)},
        {number(1.25), text("True"), empty, text("by reference"), whole(99), text("𝄞 Ärger\ttab"),
         text(QString::fromUtf8("a\0b", 3))},
        {text(QString::fromUtf16(u"x\xD800y", 3)), text(""), text(""), number(-0.0),
         text("\"quoted\" \\ and\r\nnew line"), number(0.1 + 0.2), number(1e300)},
        // A single-precision number by its own shortest digits; an error value by its code; an
        // object and a list by their kind.
        {number(0.1), text("error 0x80004005"), text("(an object)"), text("(a list of values)"),
         number(-2.5)},
        {number(0.1), number(1.25), empty, text("False"), text("error 0x80004005"), empty, null},
        six,
        texts({"1", "2", "3", "4", "5", "6", "7"}),
        {text("exact"), decimal("79228162514264337593543950335"),
         decimal("-0.000000001234567890123456789"), decimal("18446744073709551615"),
         decimal("922337203685477.5807"), number(1.25), whole(0)},
        {text("beyond"), decimal("0." + QString(20, u'0') + "1234567890123456789"),
         decimal("-0." + QString(235, u'0') + "1234567890123456789")},
    };

    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    for (const char *verb : {"kinds", "values", "exact"})
        ASSERT_EQ(hosted->sendCommand(verb, ""), std::nullopt) << verb;
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= expected.size(); }));
    QList<ActionValues> reported = actions(spy);
    ASSERT_EQ(reported.size(), expected.size());
    // NaN equals nothing, itself included; a date reads as the system shows it.
    const auto *nan = std::get_if<double>(&reported[2].bszParm2.value());
    EXPECT_TRUE(nan && std::isnan(*nan));
    const auto *date = std::get_if<QString>(&reported[6].bszParm2.value());
    EXPECT_TRUE(date && date->contains("2026")) << testing::PrintToString(reported[6].bszParm2);
    reported[2].bszParm2 = expected[2].bszParm2 = reported[6].bszParm2 = EventValue();
    EXPECT_EQ(reported, expected);
}

TEST_P(ControlHostUnderWine, KeepsReportsFromOtherThreadsWholeAndInOrder)
{
    constexpr int perThread = 200;
    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(hosted->sendCommand("threads", QString::number(perThread)), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2 * perThread; }, 30000));
    QList<qint64> last{0, 0, 0};
    for (const ActionValues &values : actions(spy)) {
        ASSERT_EQ(values.bszAction, EventValue::text("thread"));
        const auto *number = std::get_if<qint64>(&values.bszParm1.value());
        const qint64 thread = number ? *number : 0;
        ASSERT_TRUE(thread == 1 || thread == 2);
        EXPECT_EQ(values.bszParm2, EventValue::whole(++last[thread]));
    }
    EXPECT_EQ(last, (QList<qint64>{0, perThread, perThread}));
}

// Events come as the control raises them: while the sink is connected, inside a command, from
// a timer after it returned and from a worker thread through a marshalled pointer, every value
// a text passed by reference.
TEST_P(ControlHostUnderWine, TakesEventsEveryWayTheyCome)
{
    const auto variant = testControlVariant("eventOnAdvise");
    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    ASSERT_EQ(hosted->sendCommand("later", "B2 off"), std::nullopt);
    ASSERT_EQ(hosted->sendCommand("worker", "C3 dim"), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 4; }, 20000));
    const QList<ActionValues> reported = actions(spy);
    EXPECT_EQ(reported.mid(0, 2), (QList{texts({"advised"}), echo("sendplc", "A1 on")}));
    EXPECT_TRUE(reported.contains(echo("later", "B2 off")));
    EXPECT_TRUE(reported.contains(echo("worker", "C3 dim")));
}

// Whatever the control does, the same host carries on: the control reads nothing of the host's
// input, its standard input being the null device; a value too long for the wire is cut short,
// with a mark; and messages posted to the control's root window or to the host's own windows
// are never taken for the host's.
TEST_P(ControlHostUnderWine, CarriesOnWhateverTheControlDoes)
{
    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    for (const char *verb : {"process", "stdin", "postroot", "huge", "process"})
        EXPECT_EQ(hosted->sendCommand(verb, ""), std::nullopt) << verb;
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 5; }, 30000));
    const QList<ActionValues> reported = actions(spy);
    EXPECT_EQ(reported[1], texts({"stdin", "char"}));
    EXPECT_EQ(reported[2], echo("postroot", ""));
    const QString cut = plainText(reported[3].bszAction);
    EXPECT_TRUE(cut.startsWith("xxxxxxxx") && cut.size() < 20'000'000) << cut.size();
    EXPECT_TRUE(cut.endsWith(u"x\u2026 (cut short from 20000000 characters)"))
        << cut.right(60).toStdString();
    EXPECT_EQ(reported[3].bszParm1, EventValue::text("huge"));
    EXPECT_EQ(reported[0].bszAction, EventValue::text("process"));
    EXPECT_EQ(reported[4], reported[0]) << "the host was started again";
}

// However the control is made, the host starts it as standard containers do, sited first where
// it asks to be, in its own words or in the registry's, and given the ambient properties and
// control site such containers give; it calls the default member as late binding does, through
// the type library's dispatch or a hand-written one, be it a method or a property; and it
// listens to the events of the event interface alone, wherever the control describes it, and
// whichever outgoing interface the control lists first.
TEST_P(ControlHostUnderWine, FindsTheEventsWhereverTheControlDescribesThem)
{
    for (const char *name :
         {"", "unnamed", "hidden", "unnamed,eventsLast", "hidden,eventsLast", "siteFirst", "useReg",
          "ambient", "extender", "handDispatch", "handDispatch,property"}) {
        SCOPED_TRACE(name);
        const auto variant = testControlVariant(name);
        auto hosted = control();
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
        EXPECT_EQ(hosted->sendCommand("sendrf", "B2 off"), std::nullopt);
        EXPECT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2; }, 10000));
        QTest::qWait(200);
        EXPECT_EQ(actions(spy), (QList{echo("sendplc", "A1 on"), echo("sendrf", "B2 off")}));
    }
}

// The failure as expected, where "…" stands for words the case leaves to the system or the
// program.
bool reads(const QString &failure, const QString &expected)
{
    QStringList parts = expected.split(u'…');
    for (QString &part : parts)
        part = QRegularExpression::escape(part);
    return QRegularExpression("\\A" + parts.join(".*") + "\\z",
                              QRegularExpression::DotMatchesEverythingOption)
        .match(failure)
        .hasMatch();
}

// Why a command failed reaches the user once, with the code, in the words of whoever knows: the
// system's where the control is not installed, with no filler where it has no words; the
// host's where the control cannot set itself up or connect its events; the control's own,
// however it gives them: an exception described only when asked, its own error number, the
// error object handed on by the type library's dispatch, asked for on the control's own
// interface or set by a hand-written dispatch; and a code of its own with no words gets no
// unrelated ones.
TEST_P(ControlHostUnderWine, NamesFailuresEveryWayTheyCome)
{
    const QString name = "The control \"HearthwickScriptLibCtl.Hearthwick\"";
    const QString errorObject = "Strict control: Z9 is no address (HRESULT 0x80004005)";
    const QString noActionEvent = name + " has events of its own, but no ActionEvent among them, "
                                         "which is how it would report the device's actions. "
                                         "(HRESULT 0x80040200)\n…";
    const struct {
        bool installed;
        const char *variant, *verb, *text;
        QString failure;
    } cases[] = {
        {false, "", "sendplc", "",
         name +
             " is not installed: nothing on this computer registered it. (HRESULT 0x800401F3)\n…"},
        {true, "uninitialisable", "sendplc", "",
         name + " could not be initialised.… (HRESULT 0x8007000E)\n…"},
        {true, "deaf", "sendplc", "",
         name + " reports nothing: no event sink could be connected. (HRESULT 0x80040202)\n…"},
        {true, "noActionEvent", "sendplc", "", noActionEvent},
        {true, "noActionEvent,unlisted", "sendplc", "", noActionEvent},
        {true, "", "deferred", "", "Strict control: described when asked (HRESULT 0x80040300)"},
        {true, "", "wcode", "5", "Strict control: its own error number (HRESULT 0x80040205)"},
        {true, "", "errorinfo", "Z9 is no address", errorObject},
        {true, "ownErrorInterface", "errorinfo", "Z9 is no address", errorObject},
        {true, "handDispatch", "errorinfo", "Z9 is no address", errorObject},
        {true, "", "rawcode", "",
         "The control failed with an error code of its own and gave no description. "
         "(HRESULT 0x80040210)"},
        {true, "", "failhuge", "",
         "xxxxxxxx… (cut short from 20000000 characters) (HRESULT 0x80040201)"},
    };
    for (const auto &[installed, variantName, verb, text, failure] : cases) {
        SCOPED_TRACE(std::string(variantName) + " " + verb);
        const auto variant = testControlVariant(variantName);
        const QString said =
            hosted(installed ? host() : hostAlone(bits()))->sendCommand(verb, text).value_or("");
        EXPECT_TRUE(reads(said, failure)) << said.toStdString();
    }
}

struct HostRun {
    QByteArray output;
    QProcess::ExitStatus status;
    int exitCode;
    bool released;
};

// Runs the host by hand until it ends. Each line goes in, and then the end of the input unless
// asked not to, once the host has said something since the last and a moment has passed: so
// that they come while the control's own code runs, where it runs some after its answer.
HostRun runHost(const QString &host, const QList<QByteArray> &lines, bool closeInput = true)
{
    QTemporaryDir folder;
    const QString released = folder.filePath("released");
    const EnvironmentGuard announce("KV27_TEST_CONTROL_RELEASED",
                                    "Z:" + QDir::toNativeSeparators(released).toUtf8());
    QProcess process;
    process.start(KV27_WINE, {host});
    qint64 heard = 0;
    const auto onceTheHostSpeaks = [&] {
        const QDeadlineTimer patience(60s);
        while (process.bytesAvailable() <= heard && process.state() == QProcess::Running &&
               !patience.hasExpired())
            process.waitForReadyRead(100);
        heard = process.bytesAvailable();
        QTest::qWait(300);
    };
    for (const QByteArray &line : lines) {
        onceTheHostSpeaks();
        process.write(line);
    }
    if (closeInput) {
        onceTheHostSpeaks();
        process.closeWriteChannel();
    }
    const bool ended = process.state() == QProcess::NotRunning || process.waitForFinished(60000);
    EXPECT_TRUE(ended);
    if (!ended)
        process.kill(), process.waitForFinished();
    return {process.readAll(), process.exitStatus(), process.exitCode(), QFile::exists(released)};
}

// Closed by a user or a tool, at log-off or at the end of its input, the host lets the control
// go, once, and ends cleanly; a close that comes while the control runs a message loop of its
// own waits for the call into the control to return, be it a command or any call of the
// control's creation or closing.
TEST_P(ControlHostUnderWine, EndsCleanlyWhenClosed)
{
    const struct {
        const char *variant, *verb;
    } cases[] = {
        {"", "close"},
        {"", "logoff"},
        {"", "pumpclose"},
        {"closeInSetClientSite", "pumpclose"},
        {"closeInInitNew", "pumpclose"},
        {"closeInDoVerb", "pumpclose"},
        {"closeInAdvise", "pumpclose"},
        {"closeInClose", "pumpclose"},
    };
    for (const auto &[name, verb] : cases) {
        SCOPED_TRACE(std::string(name) + " " + verb);
        const auto variant = testControlVariant(name);
        // Closed from inside one of the control's calls, it sees the end of its input as well.
        const HostRun run = runHost(host(), {ProgramWire::commandLine(verb, "")}, *name != 0);
        EXPECT_EQ(run.status, QProcess::NormalExit);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.released);
        const bool whileStarting = *name && std::string_view(name) != "closeInClose";
        EXPECT_EQ(run.output.contains("closed while the control was being created"), whileStarting)
            << run.output.toStdString();
        EXPECT_EQ(run.output.contains(R"({"type":"done"})"), !whileStarting)
            << run.output.toStdString();
    }
}

// Code the control runs on its own time, from a timer or for a message another thread sends it,
// is waited for as a call into it is: a command or the end of the input that comes while that
// code runs a message loop of its own reaches the control only once it has returned, and the
// control is let go cleanly after.
TEST_P(ControlHostUnderWine, WaitsForTheControlsOwnCode)
{
    for (const QByteArray pump : {"timerpump", "sentpump"})
        for (const bool thenACommand : {true, false}) {
            SCOPED_TRACE(pump.toStdString() +
                         (thenACommand ? ", a command" : ", the end of the input"));
            const QByteArray echoed = R"({"kind":"text","text":")" + pump + R"("})";
            QList<QByteArray> lines{ProgramWire::commandLine(pump, "T")};
            if (thenACommand)
                lines << ProgramWire::commandLine("sendplc", "A1 on");
            const HostRun run = runHost(host(), lines);
            // 6 where the control was entered again mid-handler, 5 where it was let go under it.
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_TRUE(run.released);
            EXPECT_EQ(run.output.count(R"({"type":"done"})"), thenACommand ? 2 : 1)
                << run.output.toStdString();
            // Its own echo, and the one after the control's own loop.
            EXPECT_EQ(run.output.count(echoed), 2) << run.output.toStdString();
            if (thenACommand) {
                EXPECT_LT(run.output.lastIndexOf(echoed),
                          run.output.indexOf(R"("text":"sendplc")"));
            }
        }
}

// A box the control shows goes in front of the program's window, owned by it; the time the user
// takes to answer it counts against no limit, and the command, the start or the close then
// goes on as if nothing happened. A hanging control is still ended at the limit, also one whose
// window stays open on its hung thread.
TEST_P(ControlHostUnderWine, WaitsForTheUserToAnswerTheControlsBoxes)
{
    // The prefix's desktop has one foreground window, so cases that show boxes take turns; and
    // titles of the case's own, so that they never find each other's windows.
    QLockFile turn(QStringLiteral(KV27_WINE_PREFIX "/kv27-boxes.lock"));
    ASSERT_TRUE(turn.tryLock(300000));
    const QByteArray tag = QByteArray::number(bits()) + "bit-" +
                           QByteArray::number(QCoreApplication::applicationPid());
    const EnvironmentGuard tagged("KV27_TEST_CONTROL_TAG", tag);
    const QString dialogTool = testFolder(64) + "/dialog_tool.exe";
    QProcess programWindow;
    programWindow.start(KV27_WINE, {dialogTool, "window", "KV27 Exerciser " + tag});
    ASSERT_TRUE(programWindow.waitForReadyRead(60000));
    const QString owner = QString::fromLatin1(programWindow.readLine().trimmed());
    QTemporaryDir folder;
    const QString released = folder.filePath("released");
    const EnvironmentGuard announce("KV27_TEST_CONTROL_RELEASED",
                                    "Z:" + QDir::toNativeSeparators(released).toUtf8());

    const struct {
        const char *variant, *verb, *title;
    } cases[] = {
        {"", "msgbox", "Strict control"},
        {"boxAtStart", "sendplc", "Strict control starting"},
        {"boxOnClose", "sendplc", "Strict control closing"},
    };
    for (const auto &[name, verb, title] : cases) {
        SCOPED_TRACE(title);
        QFile::remove(released);
        const auto variant = testControlVariant(name);
        QProcess user;
        // Once shown, after twice the reply limit.
        user.start(KV27_WINE, {dialogTool, "press", title + (" " + tag), "4000", owner});
        auto hosted = control({60s, 2s}, {"--owner", owner});
        QSignalSpy modal(hosted.get(), &InterfaceControl::modalStateChanged);
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        EXPECT_EQ(hosted->sendCommand(verb, "Answer me"), std::nullopt);
        EXPECT_TRUE(spy.wait(10000));
        EXPECT_EQ(actions(spy).value(0), echo(verb, "Answer me"));
        if (std::string_view(name) != "boxOnClose") {
            EXPECT_EQ(modal, (QList<QList<QVariant>>{{true}, {false}}));
        }
        hosted.reset();
        EXPECT_TRUE(user.state() == QProcess::NotRunning || user.waitForFinished(60000));
        EXPECT_EQ(user.exitCode(), 0) << user.readAll().toStdString();
        EXPECT_TRUE(QFile::exists(released));
    }

    // Keys reach a modeless dialog of the control's as in any container: its keyboard shortcut
    // through the active object it hands its frame, Enter to the dialog's default button.
    auto hosted = control({60s, 2s}, {"--owner", owner});
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    EXPECT_EQ(hosted->sendCommand("modelessdialog", ""), std::nullopt);
    QProcess user;
    user.start(KV27_WINE, {dialogTool, "keys", "Strict control dialog " + tag, "0x74", "0x0D"});
    EXPECT_TRUE(user.waitForFinished(60000));
    EXPECT_EQ(user.exitCode(), 0) << user.readAll().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 3; }, 10000));
    EXPECT_EQ(actions(spy).mid(1), (QList{texts({"accelerator", "F5"}), texts({"dialog", "ok"})}));
    hosted.reset();
    programWindow.kill();
    programWindow.waitForFinished();

    for (const char *verb : {"hang", "hungwindow"})
        EXPECT_TRUE(control({60s, 2s})->sendCommand(verb, "")->contains("within 2 seconds"))
            << verb;
}

// While the control has its container's modeless windows disabled, so is the program's window,
// until every one of its calls to disable them has been answered.
TEST_P(ControlHostUnderWine, DisablesTheProgramWhileTheControlAsks)
{
    auto hosted = control();
    QSignalSpy modal(hosted.get(), &InterfaceControl::modalStateChanged);
    EXPECT_EQ(hosted->sendCommand("modeless", ""), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return modal.size() >= 2; }, 5000));
    EXPECT_EQ(modal, (QList<QList<QVariant>>{{true}, {false}}));

    const QByteArray output =
        runHost(host(), {ProgramWire::commandLine("modelessnested", "")}).output;
    const QByteArray disabled = R"("enabled":false)";
    const QByteArray enabled = R"("enabled":true)";
    EXPECT_EQ(output.count(disabled), 1) << output.toStdString();
    EXPECT_EQ(output.count(enabled), 1) << output.toStdString();
    EXPECT_LT(output.indexOf(disabled), output.indexOf("between"));
    EXPECT_LT(output.indexOf("between"), output.indexOf(enabled));
}

INSTANTIATE_TEST_SUITE_P(Bits, ControlHostUnderWine, testing::Values(64, 32), bitsName);

} // namespace
