#pragma once

#include "action_line.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Lines as a control host writes them.
namespace FakeHostLines {

inline const QByteArray ready = R"({"type":"ready"})";
inline const QByteArray done = R"({"type":"done"})";
inline const QByteArray notInstalled = R"({"type":"unavailable","hresult":"0x800401F3",)"
                                       R"("description":{"text":"Not installed."}})";
// A window of the control's own opens or closes; the control disables or enables its
// container's modeless windows.
inline const QByteArray opened = R"({"type":"window","open":true})";
inline const QByteArray closed = R"({"type":"window","open":false})";
inline const QByteArray disabled = R"({"type":"modeless","enabled":false})";
inline const QByteArray enabled = R"({"type":"modeless","enabled":true})";

inline QByteArray report(const char *name)
{
    return actionLine(R"({"kind":"text","text":")" + QByteArray(name) + R"("})");
}

} // namespace FakeHostLines

// Hosts are fake_host.sh playing the given steps; "1:" steps happen in the first host only.
class FakeHostTest : public testing::Test {
protected:
    QStringList host(const QList<QByteArray> &steps, const QString &runs = "runs")
    {
        QStringList host{KV27_FAKE_HOST, state.filePath(runs)};
        for (const QByteArray &step : steps)
            host << QString::fromUtf8(step);
        return host;
    }

    int runs(const QString &name = "runs") const { return read(name).trimmed().toInt(); }
    // The lines the hosts have read, and the process of the latest host.
    qsizetype commandsRead() const { return read("runs.in").count('\n'); }
    qint64 hostProcess() const { return read("runs.pid").trimmed().toLongLong(); }

    QTemporaryDir state;

private:
    QByteArray read(const QString &name) const
    {
        QFile file(state.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
