#pragma once

// What the tests of the real control host under wine share: where the cross-compiled hosts and
// the test control are, the wine prefix, and a fixture that runs each case for both bitnesses.

#include "environment_guard.h"
#include "hosted_control.h"
#include "qt_printers.h"

#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

namespace WineTest {

using namespace std::chrono_literals;

// Starting wine takes a few seconds, and longer on a busy machine.
inline constexpr HostedControl::Timeouts underWine{60s, 30s};

inline QString arch(int bits)
{
    return bits == 64 ? QStringLiteral("x86_64") : QStringLiteral("i686");
}

// The test control of that bitness, with its own copy of the host beside it.
inline QString testFolder(int bits)
{
    return QStringLiteral(KV27_BUILD_DIR "/test-control-") + arch(bits);
}

inline QString hostBesideTheTestControl(int bits)
{
    return testFolder(bits) + QStringLiteral("/kv27-control-host%1.exe").arg(bits);
}

// The host as the release has it, with no manifest: it finds the control only in the registry.
inline QString hostAlone(int bits)
{
    return QStringLiteral(KV27_BUILD_DIR "/control-host-%1/kv27-control-host%2.exe")
        .arg(arch(bits))
        .arg(bits);
}

inline void usePrefix(const char *prefix = KV27_WINE_PREFIX)
{
    qputenv("WINEPREFIX", prefix);
    qputenv("WINEDEBUG", "-all");
    qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
}

inline std::unique_ptr<HostedControl> hosted(const QString &host,
                                             HostedControl::Timeouts timeouts = underWine,
                                             const QStringList &arguments = {})
{
    return std::make_unique<HostedControl>(
        QList<QStringList>{QStringList{KV27_WINE, host} + arguments}, timeouts);
}

// Every case runs for both bitnesses of host and control; the 32-bit ones skip only where the
// kernel runs no 32-bit code.
class BothBitnesses : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        usePrefix();
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
};

inline std::string bitsName(const testing::TestParamInfo<int> &info)
{
    return std::to_string(info.param) + "bit";
}

inline QList<ActionValues> actions(const QSignalSpy &spy)
{
    QList<ActionValues> values;
    for (const auto &signal : spy)
        values << signal.at(0).value<ActionValues>();
    return values;
}

// Seven texts, the ones not named empty, as the test control raises its events.
inline ActionValues texts(const QStringList &values)
{
    ActionValues action;
    for (std::size_t i = 0; i < action.size(); ++i)
        action[i] = EventValue::text(values.value(qsizetype(i)));
    return action;
}

// What the test control reports of a command it received exactly.
inline ActionValues echo(const QString &verb, const QString &text)
{
    return texts({verb, text, QString::number(text.size())});
}

} // namespace WineTest
