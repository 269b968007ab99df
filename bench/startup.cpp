#include "startup.h"

#include "statistics.h"

#include <QProcess>
#include <stdexcept>

StartupTimes measureStartup(const QString &probe)
{
    constexpr int patienceMs = 60'000;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    StartupTimes times;
    times.startAndQuitMs = millisecondsOf([&] {
        times.firstFrameMs = millisecondsOf([&] {
            process.start(probe, {QStringLiteral("--quit")});
            if (!process.waitForReadyRead(patienceMs))
                throw std::runtime_error("the start-up probe painted no frame: " +
                                         process.errorString().toStdString());
        });
        process.waitForFinished(patienceMs);
    });
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        process.readAllStandardOutput() != "painted\n")
        throw std::runtime_error("the start-up probe did not paint and quit cleanly");
    return times;
}
