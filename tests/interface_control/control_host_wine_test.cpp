// The real control host, cross-compiled, run under wine against the test controls.

#include "hosted_control.h"
#include "program_wire.h"
#include "qt_printers.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

using namespace std::chrono_literals;

QString testFolder(int bits)
{
    return QStringLiteral(KV27_BUILD_DIR "/test-control-%1").arg(bits == 64 ? "x86_64" : "i686");
}

QString hostBesideTheTestControl(int bits)
{
    return testFolder(bits) + QStringLiteral("/kv27-control-host%1.exe").arg(bits);
}

void useTheTestPrefix()
{
    qputenv("WINEPREFIX", KV27_WINE_PREFIX);
    qputenv("WINEDEBUG", "-all");
    qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
}

// Starting wine takes a few seconds, and longer on a busy machine.
constexpr HostedControl::Timeouts underWine{60s, 30s};

std::unique_ptr<HostedControl> hostedTestControl(int bits, HostedControl::Timeouts timeouts)
{
    useTheTestPrefix();
    return std::make_unique<HostedControl>(KV27_WINE, QStringList{hostBesideTheTestControl(bits)},
                                           timeouts);
}

// Every case runs for both bitnesses of host and control.
class ControlHostUnderWine : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        useTheTestPrefix();
        if (bits() == 64)
            return;
        QProcess probe;
        probe.start(KV27_WINE, {testFolder(32) + "/bitness_probe32.exe"});
        if (probe.waitForFinished(60000) && probe.readAllStandardOutput().trimmed() == "32")
            return;
        // Only a kernel without 32-bit code excuses it: elsewhere 32-bit wine belongs here.
        if (QProcess::execute(KV27_SOURCE_DIR "/scripts/runs-32-bit-code", {}) != 0)
            GTEST_SKIP() << "this machine's kernel runs no 32-bit code, so neither does wine";
        FAIL() << "wine runs no 32-bit programs here, though the kernel does: is wine32 missing?";
    }

    int bits() const { return GetParam(); }
    std::unique_ptr<HostedControl> control(HostedControl::Timeouts timeouts = underWine) const
    {
        return hostedTestControl(bits(), timeouts);
    }
};

QList<ActionValues> actions(const QSignalSpy &spy)
{
    QList<ActionValues> values;
    for (const auto &signal : spy)
        values << signal.at(0).value<ActionValues>();
    return values;
}

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
    const auto number = [](double value) { return EventValue::number(value); };
    QList<ActionValues> expected{
        {text("kinds"),
         {},
         EventValue::null(),
         whole(-8),
         whole(-16000),
         whole(-2000000000),
         whole(int64Min)},
        {whole(255), whole(65535), whole(4294967295), number(18446744073709551615.0), whole(-7),
         whole(7), whole(42)},
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
    HostedControl alone(KV27_WINE,
                        {QStringLiteral(KV27_BUILD_DIR "/control-host-%1/kv27-control-host%2.exe")
                             .arg(bits() == 64 ? "x86_64" : "i686")
                             .arg(bits())},
                        underWine);
    const QString failure = alone.waitUntilReady().value_or("");
    // Said once, with the code, and no filler where the system has no words for it.
    EXPECT_TRUE(failure.startsWith(
        "The control \"HearthwickScriptLibCtl.Hearthwick\" is not installed or not registered."));
    EXPECT_TRUE(failure.endsWith("(HRESULT 0x800401F3)")) << failure.toStdString();
    EXPECT_FALSE(failure.contains("no description")) << failure.toStdString();

    // A control that cannot set itself up as a new one is not available either.
    qputenv("KV27_TEST_CONTROL_VARIANT", "uninitialisable");
    const QString uninitialised = control()->waitUntilReady().value_or("");
    qunsetenv("KV27_TEST_CONTROL_VARIANT");
    EXPECT_TRUE(uninitialised.startsWith(
        "The control \"HearthwickScriptLibCtl.Hearthwick\" could not be initialised."))
        << uninitialised.toStdString();
    EXPECT_TRUE(uninitialised.endsWith("(HRESULT 0x8007000E)")) << uninitialised.toStdString();
}

// Wherever the control offers its events the host listens, and says so where it cannot; and it
// calls the default member as late binding does, be it a method or a property.
TEST_P(ControlHostUnderWine, FindsTheEventsWhereverTheControlOffersThem)
{
    for (const char *variant : {"hidden", "unnamed", "deaf", "property"}) {
        SCOPED_TRACE(variant);
        qputenv("KV27_TEST_CONTROL_VARIANT", variant);
        auto hosted = control();
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        const auto failure = hosted->sendCommand("sendplc", "A1 on");
        if (variant == std::string_view("deaf")) {
            EXPECT_TRUE(failure && failure->contains("no event sink could be connected"))
                << failure.value_or("").toStdString();
            continue;
        }
        EXPECT_EQ(failure, std::nullopt);
        ASSERT_TRUE(spy.wait(10000));
        EXPECT_EQ(actions(spy), QList{echo("sendplc", "A1 on")});
    }
    qunsetenv("KV27_TEST_CONTROL_VARIANT");
}

// Closed by a user or a tool, or at log-off, the host lets the control go and ends cleanly; a
// close that comes while the control runs a message loop of its own inside a command waits
// until the command returns.
TEST_P(ControlHostUnderWine, LetsTheControlGoWhenClosedOrAtLogOff)
{
    for (const char *verb : {"close", "logoff", "pumpclose"}) {
        SCOPED_TRACE(verb);
        QTemporaryDir folder;
        const QString released = folder.filePath("released");
        qputenv("KV27_TEST_CONTROL_RELEASED", "Z:" + QDir::toNativeSeparators(released).toUtf8());
        QProcess host;
        host.start(KV27_WINE, {hostBesideTheTestControl(bits())});
        ASSERT_TRUE(host.waitForReadyRead(60000));
        EXPECT_EQ(host.readLine().trimmed(), R"({"type":"ready"})");
        host.write(ProgramWire::commandLine(verb, ""));
        EXPECT_TRUE(host.waitForFinished(20000));
        EXPECT_TRUE(host.readAll().startsWith(R"({"type":"done"})"));
        EXPECT_EQ(host.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(host.exitCode(), 0);
        EXPECT_TRUE(QFile::exists(released));
    }
    qunsetenv("KV27_TEST_CONTROL_RELEASED");
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
class StrictControlUnderWine : public ControlHostUnderWine {
protected:
    QString host() const
    {
        return testFolder(bits()) + QStringLiteral("/strict/kv27-control-host%1.exe").arg(bits());
    }
    std::unique_ptr<HostedControl> control() const
    {
        useTheTestPrefix();
        return std::make_unique<HostedControl>(KV27_WINE, QStringList{host()}, underWine);
    }
};

// Seven texts, the ones not named empty, as the strict control raises its events.
ActionValues texts(const QStringList &values)
{
    ActionValues action;
    EventValue *fields[] = {&action.bszAction, &action.bszParm1, &action.bszParm2, &action.bszParm3,
                            &action.bszParm4,  &action.bszParm5, &action.reserved};
    for (qsizetype i = 0; i < 7; ++i)
        *fields[i] = EventValue::text(i < values.size() ? values[i] : QString());
    return action;
}

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
              (ActionValues{EventValue::number(0.1), EventValue::number(1.25), EventValue(),
                            EventValue::text("False"), EventValue::text("error 0x80004005"),
                            EventValue(), EventValue::null()}));
    ActionValues six = texts({"(an object)", "1", "2", "3", "4", "5"});
    six.reserved = EventValue();
    EXPECT_EQ(reported[1], six) << "the seventh value, not given, is empty";
    EXPECT_EQ(reported[2], texts({"1", "2", "3", "4", "5", "6", "7"}));
}

// A control that asks for its site before it is initialised gets it, and is activated in place
// by its container before it takes commands.
TEST_P(StrictControlUnderWine, IsSitedFirstWhereItAsks)
{
    qputenv("KV27_TEST_CONTROL_VARIANT", "siteFirst");
    auto hosted = control();
    QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
    EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
    qunsetenv("KV27_TEST_CONTROL_VARIANT");
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2; }, 10000));
    EXPECT_EQ(actions(spy).last(), texts({"sendplc", "A1 on", "5"}));
}

// Its events come from its event interface only, never from its second outgoing interface,
// also where its class information names no event interface or it gives none.
TEST_P(StrictControlUnderWine, ListensToTheEventInterfaceOnly)
{
    for (const char *variant : {"named", "unnamed", "hidden"}) {
        SCOPED_TRACE(variant);
        qputenv("KV27_TEST_CONTROL_VARIANT", variant);
        auto hosted = control();
        QSignalSpy spy(hosted.get(), &InterfaceControl::actionEvent);
        EXPECT_EQ(hosted->sendCommand("sendplc", "A1 on"), std::nullopt);
        EXPECT_EQ(hosted->sendCommand("sendrf", "B2 off"), std::nullopt);
        ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 3; }, 10000));
        QTest::qWait(200);
        EXPECT_EQ(actions(spy), (QList{texts({"advised"}), texts({"sendplc", "A1 on", "5"}),
                                       texts({"sendrf", "B2 off", "6"})}));
    }
    qunsetenv("KV27_TEST_CONTROL_VARIANT");
}

// Its failures in its own words, however it gives them: an exception described only when asked,
// its own error number, and the error object handed on by the type library's dispatch.
TEST_P(StrictControlUnderWine, NamesFailuresEveryWayTheControlGivesThem)
{
    auto hosted = control();
    EXPECT_EQ(hosted->sendCommand("deferred", ""),
              "Strict control: described when asked (HRESULT 0x80040300)");
    EXPECT_EQ(hosted->sendCommand("wcode", ""),
              "Strict control: its own error number (HRESULT 0x80040207)");
    EXPECT_EQ(hosted->sendCommand("errorinfo", "Z9 is no address"),
              "Strict control: Z9 is no address (HRESULT 0x80004005)");
}

// A close that comes while the control runs a message loop of its own waits for the command,
// and the host then ends cleanly.
TEST_P(StrictControlUnderWine, EndsCleanlyWhenClosedInsideACommand)
{
    QProcess process;
    process.start(KV27_WINE, {host()});
    ASSERT_TRUE(process.waitForReadyRead(60000));
    process.write(ProgramWire::commandLine("pumpclose", ""));
    EXPECT_TRUE(process.waitForFinished(20000));
    EXPECT_TRUE(process.readAll().contains(R"({"type":"done"})"));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Bits, ControlHostUnderWine, testing::Values(64, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });
INSTANTIATE_TEST_SUITE_P(Bits, StrictControlUnderWine, testing::Values(64, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

} // namespace
