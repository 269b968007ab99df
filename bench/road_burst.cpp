#include "road_burst.h"

#include "action_log.h"
#include "bench_window.h"
#include "exerciser_window.h"
#include "hosted_control.h"
#include "log_line.h"
#include "paint_recorder.h"
#include "simulated_control.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

// However slow the road, reports come steadily during a burst: a road silent that long has lost
// them, as when its host ended.
constexpr auto silenceLimit = 60s;

// Runs one burst through a shown window with the log text: starts it, turns the event loop as
// the program does until the given number of reports has come, each found in order, and paints.
// Throws when the start fails or reports are missing or out of order, saying why the road
// stopped where it knows.
RoadBurst runBurst(
    const QString &road, std::unique_ptr<InterfaceControl> owned, int reports,
    const QString &logText, const std::function<std::optional<QString>()> &start,
    const std::function<bool(const ActionValues &)> &inOrder,
    const std::function<QString()> &whyStopped = [] { return QString(); })
{
    InterfaceControl *control = owned.get();
    ExerciserWindow window(std::move(owned));
    auto *log = window.findChild<ActionLog *>(QStringLiteral("Text8"));
    log->setPlainText(logText);
    window.show();
    QDeadlineTimer patience(30s);
    while (!window.windowHandle()->isExposed() && !patience.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents();
    log->viewport()->repaint();

    PaintRecorder paints{log->viewport()};
    int arrived = 0;
    bool outOfOrder = false;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    QObject::connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(control, &InterfaceControl::actionEvent, &loop,
                     [&](const ActionValues &values) {
                         // Nothing is thrown through the event loop: the loop ends instead.
                         outOfOrder = outOfOrder || !inOrder(values);
                         silence.start(silenceLimit);
                         if (++arrived == reports || outOfOrder)
                             loop.quit();
                     });

    const auto started = std::chrono::steady_clock::now();
    if (const auto failure = start())
        throw std::runtime_error(
            QStringLiteral("the burst on %1 did not start: %2").arg(road, *failure).toStdString());
    silence.start(silenceLimit);
    if (arrived < reports && !outOfOrder)
        loop.exec();
    const std::size_t paintsDuring = paints.paints.size();
    QCoreApplication::sendPostedEvents();
    if (paints.paints.size() == paintsDuring)
        log->viewport()->repaint();
    const auto sinceStart = [started](std::chrono::steady_clock::time_point time) {
        return std::chrono::duration<double, std::milli>(time - started).count();
    };
    const double elapsedMs = sinceStart(std::chrono::steady_clock::now());
    if (outOfOrder)
        throw std::runtime_error(
            QStringLiteral("a report on %1 came out of order").arg(road).toStdString());
    if (arrived != reports)
        throw std::runtime_error(QStringLiteral("%1 of %2 reports came on %3. %4")
                                     .arg(arrived)
                                     .arg(reports)
                                     .arg(road, whyStopped())
                                     .trimmed()
                                     .toStdString());
    if (log->document().lineCount() - 1 != logText.count(u'\n') + reports)
        throw std::runtime_error(
            QStringLiteral("the log on %1 lost lines").arg(road).toStdString());

    RoadBurst result{road, reports * 1000.0 / elapsedMs, int(paintsDuring), 0, QString()};
    double previous = 0;
    for (const PaintRecorder::Paint &paint : paints.paints) {
        result.longestGapMs = std::max(result.longestGapMs, sinceStart(paint.at) - previous);
        previous = sinceStart(paint.at);
    }
    // The user must see the log move while the reports pour in.
    if (paintsDuring == 0 && elapsedMs > 1000)
        throw std::runtime_error(QStringLiteral("the log was not painted during the burst on %1")
                                     .arg(road)
                                     .toStdString());
    return result;
}

} // namespace

RoadBurst simulatedBurst(int reports, const QString &logText)
{
    auto simulated = std::make_unique<SimulatedControl>(0ms);
    SimulatedControl *control = simulated.get();
    const auto address = [](int n) {
        return QString(QChar(u'A' + n % 16)) + QString::number(n / 16 % 16 + 1);
    };
    int next = 0;
    return runBurst(
        QStringLiteral("the simulated device"), std::move(simulated), reports, logText,
        [&]() -> std::optional<QString> {
            for (int n = 0; n < reports; ++n)
                if (auto failure = control->sendCommand(QStringLiteral("sendplc"),
                                                        address(n) + QStringLiteral(" on")))
                    return failure;
            return std::nullopt;
        },
        [&](const ActionValues &values) {
            return values.bszParm1 == EventValue::text(address(next++));
        });
}

RoadBurst hostedBurst(const QString &road, const QString &wine, const QString &host, int reports,
                      const QString &logText)
{
    // Starting a host under wine takes seconds, and longer on a busy machine.
    constexpr HostedControl::Timeouts underWine{120s, 60s};
    auto hosted = std::make_unique<HostedControl>(QList<QStringList>{{wine, host}}, underWine);
    HostedControl *control = hosted.get();
    QDeadlineTimer starting(underWine.start);
    if (const auto failure = control->waitUntilChosen(starting))
        return {road, 0, 0, 0, *failure};
    // A host that ends mid-burst loses the reports after; the burst then says why.
    QString ended;
    QObject::connect(control, &HostedControl::hostEnded,
                     [&ended](const QString &reason) { ended = reason; });
    qint64 last[3] = {0, 0, 0};
    return runBurst(
        road, std::move(hosted), reports, logText,
        [&] {
            return control->sendCommand(QStringLiteral("threads"), QString::number(reports / 2));
        },
        [&](const ActionValues &values) {
            const auto *thread = std::get_if<qint64>(&values.bszParm1.value());
            return values.bszAction == EventValue::text(QStringLiteral("thread")) && thread &&
                   (*thread == 1 || *thread == 2) &&
                   values.bszParm2 == EventValue::whole(++last[*thread]);
        },
        [&ended] { return ended; });
}

QString benchLogText(int lines)
{
    QString text;
    for (int n = lines - 1; n >= 0; --n)
        text += logLine(benchAction(n)) + QStringLiteral("\r\n");
    return text;
}
