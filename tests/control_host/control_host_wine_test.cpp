// The real control host, cross-compiled, run under wine against the test controls.

#include "program_wire.h"
#include "value_text.h"
#include "wine_test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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
    std::unique_ptr<HostedControl> control(HostedControl::Timeouts timeouts = underWine) const
    {
        return hosted(hostBesideTheTestControl(bits()), timeouts);
    }
};

ActionValues echo(const QString &verb, const QString &text)
{
    return {EventValue::text(verb), EventValue::text(text), EventValue::whole(text.size())};
}

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

TEST_P(ControlHostUnderWine, ReportsEveryKindOfValue)
{
    constexpr qint64 int64Min = std::numeric_limits<qint64>::min();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const auto text = [](const QString &value) { return EventValue::text(value); };
    const auto whole = [](qint64 value) { return EventValue::whole(value); };
    const auto number = [](double value) { return EventValue::fraction(value); };
    QList<ActionValues> expected{
        {text("kinds"),
         {},
         EventValue::null(),
         whole(-8),
         whole(-16000),
         whole(-2000000000),
         whole(int64Min)},
        {whole(255), whole(65535), whole(4294967295), EventValue::decimal("18446744073709551615"),
         whole(-7), whole(7), whole(42)},
        {number(1.5), number(-0.1), number(std::numeric_limits<double>::quiet_NaN()),
         number(-infinity), number(12.5), whole(-3), whole(-12345678901234)},
        {number(1.25),
         text("True"),
         {},
         text("by reference"),
         whole(99),
         text("𝄞 Ärger\ttab"),
         text(QString::fromUtf8("a\0b", 3))},
        {text(QString::fromUtf16(u"x\xD800y", 3)), text(""), text(""), number(-0.0),
         text("\"quoted\" \\ and\r\nnew line"), number(0.1 + 0.2), number(1e300)},
    };

    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(hosted->sendCommand("kinds", ""), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= expected.size(); }));
    QList<ActionValues> reported = actions(spy);
    ASSERT_EQ(reported.size(), expected.size());
    // NaN equals nothing, itself included.
    const auto *nan = std::get_if<double>(&reported[2].bszParm2.value());
    EXPECT_TRUE(nan && std::isnan(*nan));
    reported[2].bszParm2 = expected[2].bszParm2 = EventValue();
    EXPECT_EQ(reported, expected);

    // A single-precision number by its own shortest digits; an error value by its code; an
    // object and a list by their kind.
    spy.clear();
    ASSERT_EQ(hosted->sendCommand("values", ""), std::nullopt);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(actions(spy),
              (QList<ActionValues>{{number(0.1), text("error 0x80004005"), text("(an object)"),
                                    text("(a list of values)"), number(-2.5)}}));
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

TEST_P(ControlHostUnderWine, SaysWhenTheControlIsNotAvailable)
{
    const QString failure = hosted(hostAlone(bits()))->sendCommand("sendplc", "").value_or("");
    // Said once, with the code, and no filler where the system has no words for it.
    EXPECT_TRUE(failure.startsWith("The control \"HearthwickScriptLibCtl.Hearthwick\" is not "
                                   "installed: nothing on this computer registered it. "
                                   "(HRESULT 0x800401F3)\n"))
        << failure.toStdString();

    // A control that cannot set itself up as a new one is not available either.
    const auto variant = testControlVariant("uninitialisable");
    const QString uninitialised = control()->sendCommand("sendplc", "").value_or("");
    EXPECT_TRUE(uninitialised.startsWith(
        "The control \"HearthwickScriptLibCtl.Hearthwick\" could not be initialised."))
        << uninitialised.toStdString();
    EXPECT_TRUE(uninitialised.contains("(HRESULT 0x8007000E)")) << uninitialised.toStdString();
}

// Wherever the control describes its events the host listens, and says so where it cannot; and
// it calls the default member as late binding does, be it a method or a property.
TEST_P(ControlHostUnderWine, FindsTheEventsWhereverTheControlDescribesThem)
{
    for (const char *name : {"hidden", "unnamed", "deaf", "property"}) {
        SCOPED_TRACE(name);
        const auto variant = testControlVariant(name);
        auto hosted = control();
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        const auto failure = hosted->sendCommand("sendplc", "A1 on");
        if (name == std::string_view("deaf")) {
            EXPECT_TRUE(failure && failure->contains("no event sink could be connected"))
                << failure.value_or("").toStdString();
            continue;
        }
        EXPECT_EQ(failure, std::nullopt);
        EXPECT_TRUE(spy.wait(10000));
        EXPECT_EQ(actions(spy), QList{echo("sendplc", "A1 on")});
    }
}

struct HostRun {
    QByteArray output;
    QProcess::ExitStatus status;
    int exitCode;
    bool released;
};

// Runs the host by hand with these lines on its input, closing it after them unless asked not
// to, until it ends.
HostRun runHost(const QString &host, const QList<QByteArray> &lines, bool closeInput = true)
{
    QTemporaryDir folder;
    const QString released = folder.filePath("released");
    const EnvironmentGuard announce("KV27_TEST_CONTROL_RELEASED",
                                    "Z:" + QDir::toNativeSeparators(released).toUtf8());
    QProcess process;
    process.start(KV27_WINE, {host});
    for (const QByteArray &line : lines)
        process.write(line);
    if (closeInput)
        process.closeWriteChannel();
    const bool ended = process.waitForFinished(60000);
    EXPECT_TRUE(ended);
    if (!ended)
        process.kill(), process.waitForFinished();
    return {process.readAll(), process.exitStatus(), process.exitCode(), QFile::exists(released)};
}

// Closed by a user or a tool, or at log-off, the host lets the control go and ends cleanly; a
// close that comes while the control runs a message loop of its own inside a command waits
// until the command returns.
TEST_P(ControlHostUnderWine, LetsTheControlGoWhenClosedOrAtLogOff)
{
    for (const char *verb : {"close", "logoff", "pumpclose"}) {
        SCOPED_TRACE(verb);
        const HostRun run =
            runHost(hostBesideTheTestControl(bits()), {ProgramWire::commandLine(verb, "")}, false);
        EXPECT_TRUE(run.output.startsWith("{\"type\":\"ready\"}\n{\"type\":\"done\"}"))
            << run.output.toStdString();
        EXPECT_EQ(run.status, QProcess::NormalExit);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.released);
    }
}

// What the control says of a failure reaches the user: its own error number as the usual
// HRESULT, its source, and what it set in the error object.
TEST_P(ControlHostUnderWine, NamesTheControlsFailuresInItsOwnWords)
{
    auto hosted = control();
    EXPECT_EQ(hosted->sendCommand("failcode", "5"),
              "Test control: its own error (HRESULT 0x80040205)");
    EXPECT_EQ(hosted->sendCommand("errorinfo", "Z9 is no address"),
              "Test control: Z9 is no address (HRESULT 0x80004005)");
}

// The same cases against the stricter test control, which holds the host to COM's contracts
// rather than to what the first test control happens to accept.
class StrictControlUnderWine : public BothBitnesses {
protected:
    QString host() const { return hostBesideTheStrictControl(bits()); }
    std::unique_ptr<HostedControl> control(HostedControl::Timeouts timeouts = underWine,
                                           const QStringList &arguments = {}) const
    {
        return hosted(host(), timeouts, arguments);
    }
};

// Events come as the control raises them: while the sink is connected, inside a command, from
// a timer after it returned and from a worker thread through a marshalled pointer, every value
// a text passed by reference; and with six or eight values as well as seven.
TEST_P(StrictControlUnderWine, TakesCommandsAndEventsEveryWayTheyCome)
{
    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    ASSERT_EQ(hosted->sendCommand("later", "B2 off"), std::nullopt);
    ASSERT_EQ(hosted->sendCommand("worker", "C3 dim"), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 4; }, 20000));
    QList<ActionValues> reported = actions(spy);
    EXPECT_EQ(reported.mid(0, 2), (QList{texts({"advised"}), texts({"sendplc", "A1 on", "5"})}));
    EXPECT_TRUE(reported.contains(texts({"later", "B2 off", "6"})));
    EXPECT_TRUE(reported.contains(texts({"worker", "C3 dim", "6"})));

    spy.clear();
    ASSERT_EQ(hosted->sendCommand("values", ""), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 3; }, 10000));
    reported = actions(spy);
    const auto *date = std::get_if<QString>(&reported[0].bszParm2.value());
    EXPECT_TRUE(date && date->contains("2026")) << testing::PrintToString(reported[0].bszParm2);
    reported[0].bszParm2 = EventValue();
    EXPECT_EQ(reported[0],
              (ActionValues{EventValue::fraction(0.1), EventValue::fraction(1.25), EventValue(),
                            EventValue::text("False"), EventValue::text("error 0x80004005"),
                            EventValue(), EventValue::null()}));
    ActionValues six = texts({"(an object)", "1", "2", "3", "4", "5"});
    six.reserved = EventValue();
    EXPECT_EQ(reported[1], six) << "the seventh value, not given, is empty";
    EXPECT_EQ(reported[2], texts({"1", "2", "3", "4", "5", "6", "7"}));
}

// Numbers with more digits than a double holds keep every one; a value too long for the wire is
// cut short, with a mark, and the host carries on; messages posted to the control's root window
// are the control's business, never taken for the host's own.
TEST_P(StrictControlUnderWine, ReportsEveryValueAndKeepsGoing)
{
    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    EXPECT_EQ(hosted->sendCommand("exact", ""), std::nullopt);
    const QProcess *process = hosted->findChild<QProcess *>();
    EXPECT_EQ(hosted->sendCommand("postroot", "posted"), std::nullopt);
    EXPECT_EQ(hosted->sendCommand("huge", ""), std::nullopt);
    EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    EXPECT_EQ(hosted->findChild<QProcess *>(), process) << "the host was started again";
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 5; }, 20000));
    const QList<ActionValues> reported = actions(spy);
    EXPECT_EQ(reported.value(1),
              (ActionValues{EventValue::text("exact"),
                            EventValue::decimal("79228162514264337593543950335"),
                            EventValue::decimal("-0.000000001234567890123456789"),
                            EventValue::decimal("18446744073709551615"),
                            EventValue::decimal("922337203685477.5807"), EventValue::fraction(1.25),
                            EventValue::whole(0)}));
    EXPECT_EQ(reported.value(2), texts({"postroot", "posted", "6"}));
    const QString cut = plainText(reported.value(3).bszAction);
    EXPECT_TRUE(cut.startsWith("xxxxxxxx") && cut.size() < 20'000'000) << cut.size();
    EXPECT_TRUE(cut.endsWith(u"x\u2026 (cut short from 20000000 characters)"))
        << cut.right(60).toStdString();
    EXPECT_EQ(reported.value(3).bszParm1, EventValue::text("huge"));
    EXPECT_EQ(reported.value(4), texts({"sendplc", "A1 on", "5"}));
}

// A control is started as standard containers start it: sited first where it asks to be, in
// its own words or in the registry's, and given the ambient properties and control site such
// containers give.
TEST_P(StrictControlUnderWine, StartsAsStandardContainersDo)
{
    for (const char *name : {"siteFirst", "useReg", "ambient"}) {
        SCOPED_TRACE(name);
        const auto variant = testControlVariant(name);
        auto hosted = control();
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
        EXPECT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2; }, 10000));
        EXPECT_EQ(actions(spy).value(1), texts({"sendplc", "A1 on", "5"}));
    }
}

// Its events come from its event interface only, never from its second outgoing interface,
// also where its class information names no event interface or it gives none, and whichever
// it lists first.
TEST_P(StrictControlUnderWine, ListensToTheEventInterfaceOnly)
{
    for (const char *name :
         {"named", "unnamed", "hidden", "unnamed,eventsLast", "hidden,eventsLast"}) {
        SCOPED_TRACE(name);
        const auto variant = testControlVariant(name);
        auto hosted = control();
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
        EXPECT_EQ(hosted->sendCommand("sendrf", "B2 off"), std::nullopt);
        EXPECT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 3; }, 10000));
        QTest::qWait(200);
        EXPECT_EQ(actions(spy), (QList{texts({"advised"}), texts({"sendplc", "A1 on", "5"}),
                                       texts({"sendrf", "B2 off", "6"})}));
    }
}

// Its failures in its own words, however it gives them: an exception described only when asked,
// its own error number, the error object handed on by the type library's dispatch or asked for
// on its own interface; and a code of its own with no words gets no unrelated ones.
TEST_P(StrictControlUnderWine, NamesFailuresEveryWayTheControlGivesThem)
{
    const struct {
        const char *variant, *verb, *failure;
    } cases[] = {
        {"", "deferred", "Strict control: described when asked (HRESULT 0x80040300)"},
        {"", "wcode", "Strict control: its own error number (HRESULT 0x80040207)"},
        {"", "errorinfo", "Strict control: Z9 is no address (HRESULT 0x80004005)"},
        {"ownErrorInterface", "errorinfo", "Strict control: Z9 is no address (HRESULT 0x80004005)"},
        {"", "rawcode",
         "The control failed with an error code of its own and gave no description. "
         "(HRESULT 0x80040210)"},
    };
    for (const auto &[name, verb, failure] : cases) {
        SCOPED_TRACE(std::string(name) + " " + verb);
        const auto variant = testControlVariant(name);
        EXPECT_EQ(control()->sendCommand(verb, "Z9 is no address"), failure);
    }
}

// A close, the end of the session or the end of the input that comes while the control runs a
// message loop of its own waits for the call into the control to return, whichever call it is,
// and the host then lets the control go, once, and ends cleanly.
TEST_P(StrictControlUnderWine, EndsCleanlyWhenClosedInsideAnyCall)
{
    const QByteArray pumpclose = ProgramWire::commandLine("pumpclose", "");
    for (const char *call : {"SetClientSite", "InitNew", "DoVerb", "Advise", "Close", ""}) {
        SCOPED_TRACE(call);
        const auto variant = testControlVariant(QByteArray("closeIn") + call);
        const HostRun run = runHost(host(), {pumpclose}, *call != 0);
        EXPECT_EQ(run.status, QProcess::NormalExit);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.released);
        const bool whileStarting = std::string_view(call) != "Close" && *call;
        EXPECT_EQ(run.output.contains("closed while the control was being created"), whileStarting)
            << run.output.toStdString();
        EXPECT_EQ(run.output.contains(R"({"type":"done"})"), !whileStarting)
            << run.output.toStdString();
    }
}

// A box the control shows goes in front of the program's window, owned by it; the time the user
// takes to answer it counts against no limit, and the command, the start or the close then
// goes on as if nothing happened. Without a box, a hanging control is still ended at the limit.
TEST_P(StrictControlUnderWine, WaitsForTheUserToAnswerTheControlsBoxes)
{
    QProcess programWindow;
    programWindow.start(KV27_WINE,
                        {testFolder(64) + "/dialog_tool.exe", "window", "KV27 Exerciser"});
    ASSERT_TRUE(programWindow.waitForReadyRead(60000));
    const QString owner = QString::fromLatin1(programWindow.readLine().trimmed());
    const auto pressOnceShown = [&](QProcess &user, const char *title, const char *after) {
        user.start(KV27_WINE, {testFolder(64) + "/dialog_tool.exe", "press", title, after, owner});
    };
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
        // Twice the reply limit.
        pressOnceShown(user, title, "4000");
        auto hosted = control({60s, 2s}, {"--owner", owner});
        QSignalSpy modal(hosted.get(), &InterfaceControl::modalStateChanged);
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        EXPECT_EQ(hosted->sendCommand(verb, "Answer me"), std::nullopt);
        EXPECT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2; }, 10000));
        EXPECT_EQ(actions(spy).value(1), texts({verb, "Answer me", "9"}));
        if (std::string_view(name) != "boxOnClose") {
            EXPECT_EQ(modal, (QList<QList<QVariant>>{{true}, {false}}));
        }
        hosted.reset();
        EXPECT_TRUE(user.state() == QProcess::NotRunning || user.waitForFinished(60000));
        EXPECT_EQ(user.exitCode(), 0) << user.readAll().toStdString();
        EXPECT_TRUE(QFile::exists(released));
    }
    programWindow.kill();
    programWindow.waitForFinished();

    EXPECT_TRUE(hosted(hostBesideTheTestControl(bits()), {60s, 2s})
                    ->sendCommand("hang", "")
                    ->contains("within 2 seconds"));
}

// While the control has its container's modeless windows disabled, so is the program's window.
TEST_P(StrictControlUnderWine, DisablesTheProgramWhileTheControlAsks)
{
    auto hosted = control();
    QSignalSpy modal(hosted.get(), &InterfaceControl::modalStateChanged);
    EXPECT_EQ(hosted->sendCommand("modeless", ""), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return modal.size() >= 2; }, 5000));
    EXPECT_EQ(modal, (QList<QList<QVariant>>{{true}, {false}}));
}

INSTANTIATE_TEST_SUITE_P(Bits, ControlHostUnderWine, testing::Values(64, 32), bitsName);
INSTANTIATE_TEST_SUITE_P(Bits, StrictControlUnderWine, testing::Values(64, 32), bitsName);

} // namespace
