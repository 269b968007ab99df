// The real control host, cross-compiled, run under wine against the test control.

#include "action_log.h"
#include "exerciser_window.h"
#include "hosted_control.h"
#include "qt_printers.h"

#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
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

std::unique_ptr<HostedControl> hostedTestControl(int bits = 64,
                                                 HostedControl::Timeouts timeouts = underWine)
{
    useTheTestPrefix();
    return std::make_unique<HostedControl>(KV27_WINE, QStringList{hostBesideTheTestControl(bits)},
                                           timeouts);
}

bool wineRuns(int bits)
{
    useTheTestPrefix();
    QProcess probe;
    probe.start(KV27_WINE, {testFolder(bits) + QStringLiteral("/bitness_probe%1.exe").arg(bits)});
    return probe.waitForFinished(60000) && probe.readAllStandardOutput().trimmed().toInt() == bits;
}

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

// What the test control reports when it received the verb and the text exactly.
void expectExactRoundTrips(HostedControl &control)
{
    const std::pair<QString, QString> commands[] = {
        {"sendplc", "A1 on"},
        {"sendrf", "  b2 DIM 20 "},
        {"sendplc", ""},
        {"sendplc", "\"quoted\" \\ tab\tline\r\nbreak"},
        {"sendplc", QString::fromUtf8("a\0b", 3)},
        {"sendrf", "𝄞 Ärger €"},
    };
    QSignalSpy spy(&control, &InterfaceControl::actionEvent);
    QList<ActionValues> expected;
    for (const auto &[verb, text] : commands) {
        EXPECT_EQ(control.sendCommand(verb, text), std::nullopt) << text.toStdString();
        expected << echo(verb, text);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= expected.size(); }));
    EXPECT_EQ(actions(spy), expected);
}

TEST(ControlHostUnderWine, HandsOverTheExactStrings)
{
    expectExactRoundTrips(*hostedTestControl());
}

TEST(ControlHostUnderWine, Handles32BitControlsToo)
{
    if (!wineRuns(32))
        GTEST_SKIP() << "wine cannot run 32-bit programs on this machine";
    expectExactRoundTrips(*hostedTestControl(32));
}

bool sameValue(const EventValue &a, const EventValue &b)
{
    // NaN equals nothing, itself included; its text tells it apart.
    return a == b || (a.kind() == b.kind() && a.signColumnText() == b.signColumnText() &&
                      a.signColumnText() == " NaN");
}

// With type information the host listens to ActionEvent by name; without, to the event that
// comes with seven values. Either way the Heartbeat event in between is no action.
class EveryKindUnderWine : public testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (GetParam())
            qputenv("KV27_TEST_CONTROL_HIDES_TYPES", "1");
    }
    void TearDown() override { qunsetenv("KV27_TEST_CONTROL_HIDES_TYPES"); }
};

TEST_P(EveryKindUnderWine, ReportsEveryKindOfValue)
{
    constexpr qint64 int64Min = std::numeric_limits<qint64>::min();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const auto text = [](const QString &value) { return EventValue::text(value); };
    const auto whole = [](qint64 value) { return EventValue::whole(value); };
    const auto number = [](double value) { return EventValue::number(value); };
    const QList<ActionValues> expected{
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

    auto control = hostedTestControl();
    QSignalSpy spy(control.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(control->sendCommand("kinds", ""), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= expected.size(); }));
    const QList<ActionValues> reported = actions(spy);
    ASSERT_EQ(reported.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const auto &[a0, a1, a2, a3, a4, a5, a6] = reported[i];
        const auto &[e0, e1, e2, e3, e4, e5, e6] = expected[i];
        const EventValue *got[] = {&a0, &a1, &a2, &a3, &a4, &a5, &a6};
        const EventValue *want[] = {&e0, &e1, &e2, &e3, &e4, &e5, &e6};
        for (int v = 0; v < 7; ++v)
            EXPECT_TRUE(sameValue(*got[v], *want[v]))
                << "action " << i << " value " << v << ": " << got[v]->plainText().toStdString()
                << " instead of " << want[v]->plainText().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(TypeInformation, EveryKindUnderWine, testing::Values(false, true),
                         [](const auto &info) { return info.param ? "hidden" : "offered"; });

TEST(ControlHostUnderWine, PassesOnTheControlsOwnFailure)
{
    auto control = hostedTestControl();
    EXPECT_EQ(control->sendCommand("fail", "Z9 is no address"),
              "Z9 is no address (HRESULT 0x80040201)");
    EXPECT_EQ(control->sendCommand("sendplc", "A1 on"), std::nullopt);
}

TEST(ControlHostUnderWine, KeepsReportsFromOtherThreadsWholeAndInOrder)
{
    constexpr int perThread = 200;
    auto control = hostedTestControl();
    QSignalSpy spy(control.get(), &InterfaceControl::actionEvent);
    ASSERT_EQ(control->sendCommand("threads", QString::number(perThread)), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2 * perThread; }, 30000));
    QList<qint64> last{0, 0, 0};
    for (const ActionValues &values : actions(spy)) {
        ASSERT_EQ(values.bszAction, EventValue::text("thread"));
        const qint64 thread = values.bszParm1.plainText().toLongLong();
        ASSERT_TRUE(thread == 1 || thread == 2);
        EXPECT_EQ(values.bszParm2, EventValue::whole(last[thread] + 1));
        last[thread] = last[thread] + 1;
    }
    EXPECT_EQ(last, (QList<qint64>{0, perThread, perThread}));
}

struct Breakdown {
    const char *verb;
    const char *reason;
};

void PrintTo(const Breakdown &breakdown, std::ostream *os)
{
    *os << breakdown.verb;
}

class ControlHostBreakdownUnderWine : public testing::TestWithParam<Breakdown> {};

TEST_P(ControlHostBreakdownUnderWine, FailsTheCommandAndTheNextStartsAFreshHost)
{
    auto control = hostedTestControl(64, {60s, 5s});
    const auto failure = control->sendCommand(GetParam().verb, "");
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains(QString::fromUtf8(GetParam().reason))) << failure->toStdString();
    QSignalSpy spy(control.get(), &InterfaceControl::actionEvent);
    EXPECT_EQ(control->sendCommand("sendplc", "A1 on"), std::nullopt);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(spy.front().at(0).value<ActionValues>(), echo("sendplc", "A1 on"));
}

INSTANTIATE_TEST_SUITE_P(Faults, ControlHostBreakdownUnderWine,
                         testing::Values(Breakdown{"hang", "did not answer within 5 seconds"},
                                         Breakdown{"crash", "exit code 3"},
                                         Breakdown{"garbage", "not JSON"}));

TEST(ControlHostUnderWine, SaysWhenTheControlIsNotInstalled)
{
    useTheTestPrefix();
    HostedControl control(
        KV27_WINE, {KV27_BUILD_DIR "/control-host-x86_64/kv27-control-host64.exe"}, underWine);
    const auto failure = control.start();
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->startsWith(
        "The control \"HearthwickScriptLibCtl.Hearthwick\" is not installed or not registered."))
        << failure->toStdString();
    EXPECT_TRUE(failure->endsWith("(HRESULT 0x800401F3)")) << failure->toStdString();
}

TEST(ControlHostUnderWine, OnReachesTheControlAndItsReportTopsTheLog)
{
    ExerciserWindow window(hostedTestControl().release());
    window.show();
    auto *log = window.findChild<ActionLog *>("Text8");
    log->setPlainText("earlier line");

    QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log->text() != "earlier line"; }, 30000));
    EXPECT_EQ(log->text(), "sendplc\tA1 on\t5\t\t\t\r\nearlier line");
}

} // namespace
