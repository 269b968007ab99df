// Measures what the log costs as it grows: one event and its repaint at several log sizes, a burst
// of events, Clear Log Display, the heap per line and the start-up, each for the program's log and
// for a read-join-write log side by side, then a burst of reports on each road into a long log:
// from the simulated device and through both control hosts under wine; and prints a table. With
// --smoke it runs everything at the smallest sizes and with the fewest samples, and the hosted
// road through the 64-bit host only, to show that it still works.
#include "bench_window.h"
#include "process_memory.h"
#include "report_table.h"
#include "road_burst.h"
#include "startup.h"
#include "statistics.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

struct Plan {
    std::vector<int> logSizes;
    int eventSamples;
    int bigLogEventSamples; // for the read-join-write log at 100,000 lines and above
    int burstEvents;
    int baselineBurstEvents;
    int burstSamples;
    int clearSamples;
    int baselineClearSamples;
    int startupSamples;
    int typingSamples;
    int longLineLength;
    int longLineSamples;
    int roadReports;
    int roadLogLines;
    bool road32Bit;
};

const Plan fullPlan{{0, 1'000, 100'000, 1'000'000},
                    101,
                    5,
                    10'000,
                    3,
                    3,
                    1,
                    3,
                    11,
                    101,
                    50'000'000,
                    11,
                    100'000,
                    1'000'000,
                    true};
const Plan smokePlan{{0, 10}, 3, 3, 10, 3, 3, 3, 3, 1, 3, 10'000, 3, 100, 10, false};

constexpr int linesPerPaintWhileFilling = 1'000;

class LogBenchmark {
public:
    explicit LogBenchmark(const Plan &plan)
        : m_plan(plan)
    {}

    Results run(const QString &probe)
    {
        Results results;
        results.platform = QGuiApplication::platformName();
        results.machine = machineDescription();
        results.loadBefore = loadAverage();
        // A log whose new line fills the view moves as many lines on screen as any longer one:
        // beside it, a longer log shows what the log's size alone costs.
        results.fullView = m_product.linesFillingView();
        std::vector<int> sizes = m_plan.logSizes;
        sizes.push_back(results.fullView);
        std::sort(sizes.begin(), sizes.end());
        sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
        for (int size : sizes)
            results.events.push_back(measureEvents(size, results.fullView));
        results.lineLength = double(m_product.logText().size()) / m_product.lineCount() - 2;
        results.bytesPerLine = {m_plan.logSizes.back(), double(m_productHeap) / m_productLines,
                                double(m_baselineHeap) / m_baselineLines, 1, 1};
        results.residentPerLine = {m_plan.logSizes.back(),
                                   double(m_productResident) / m_productLines,
                                   double(m_baselineResident) / m_baselineLines, 1, 1};
        results.typing = measureTyping();
        results.typingWhileLinesArrive = measureTypingWhileLinesArrive();
        results.burst = measureBurst();
        results.clear = measureClear();
        results.longLine = measureLongLine();
        results.startup = measureStartups(probe);
        results.roads = measureRoads();
        results.roadReports = m_plan.roadReports;
        results.roadLogLines = m_plan.roadLogLines;
        results.loadAfter = loadAverage();
        return results;
    }

private:
    // Brings both logs to the size: the program's through its handler, painting now and then as
    // a busy event loop would, the other by writing the same text at once, which is where its
    // own handler would have left it. Both keep account of the heap their lines take and of
    // the pages the process touched for them; the second log's big text is made before its
    // account opens, and its earlier texts were large blocks that went back to the system.
    void fillTo(int lines)
    {
        const std::size_t before = heapInUse();
        const std::size_t residentBefore = residentBytes();
        const int linesBefore = m_product.lineCount();
        while (m_product.lineCount() < lines) {
            m_product.report(benchAction(m_nextAction++));
            if (m_product.lineCount() % linesPerPaintWhileFilling == 0)
                m_product.paint();
            else
                m_product.runQueuedCalls();
        }
        m_product.paint();
        m_productHeap += std::ptrdiff_t(heapInUse() - before);
        m_productResident += std::ptrdiff_t(residentBytes() - residentBefore);
        m_productLines += m_product.lineCount() - linesBefore;

        const QString text = m_product.logText();
        const std::size_t baselineBefore = heapInUse();
        const std::size_t baselineResidentBefore = residentBytes();
        const int baselineLinesBefore = m_baseline.lineCount();
        m_baseline.setLogText(text);
        m_baseline.paint();
        m_baselineHeap += std::ptrdiff_t(heapInUse() - baselineBefore);
        m_baselineResident += std::ptrdiff_t(residentBytes() - baselineResidentBefore);
        m_baselineLines += m_baseline.lineCount() - baselineLinesBefore;
    }

    static double timeEvent(BenchWindow &window, const ActionValues &values)
    {
        window.paint();
        return millisecondsOf([&] {
            window.report(values);
            window.paint();
        });
    }

    // Each log's samples in a run of their own, so that every sample of either follows the same
    // steps at every size. The empty log and the one whose new line fills the view are set back
    // before each sample, so that every event meets the log as the first did; longer logs grow
    // by a line a sample, which moves their scroll bar's slider by less than a pixel. A longer
    // log's samples alternate with samples of a log that fills the view, so that what the machine
    // does meanwhile, which can slow a whole run of samples by half, weighs on both alike.
    Comparison measureEvents(int size, int fullView)
    {
        fillTo(size);
        const int baselineSamples =
            size >= 100'000 ? m_plan.bigLogEventSamples : m_plan.eventSamples;
        const QString start = size <= fullView ? m_product.logText() : QString();
        if (size == fullView)
            m_fullViewText = start;
        std::vector<double> fullViewBeside;
        const auto samples = [&](BenchWindow &window, int count) {
            std::vector<double> times;
            for (int i = 0; i < count; ++i) {
                const ActionValues action = benchAction(m_nextAction + i);
                if (size <= fullView)
                    window.setLogText(start);
                if (size > fullView && &window == &m_product) {
                    m_fullView.setLogText(m_fullViewText);
                    fullViewBeside.push_back(timeEvent(m_fullView, action));
                }
                times.push_back(timeEvent(window, action));
            }
            return times;
        };
        const std::vector<double> product = samples(m_product, m_plan.eventSamples);
        const std::vector<double> baseline = samples(m_baseline, baselineSamples);
        m_nextAction += m_plan.eventSamples;
        checkSameLog(size);
        return {size,
                median(product),
                median(baseline),
                int(product.size()),
                int(baseline.size()),
                fullViewBeside.empty() ? 0 : median(fullViewBeside)};
    }

    // The read-join-write log must end up exactly as the program's, or the comparison is void.
    void checkSameLog(int size)
    {
        if (size == 0)
            return;
        m_baseline.setLogText(m_product.logText());
        const ActionValues values = benchAction(m_nextAction++);
        m_product.report(values);
        m_baseline.report(values);
        if (m_product.logText() != m_baseline.logText())
            throw std::runtime_error("the read-join-write log differs from the program's");
    }

    // At the end of the log, where finding the caret's line walks the whole store.
    Comparison measureTyping()
    {
        m_product.typeIntoLog(Qt::Key_End, Qt::ControlModifier, QString());
        m_product.paint();
        std::vector<double> product;
        for (int i = 0; i < m_plan.typingSamples; ++i) {
            m_product.paint();
            product.push_back(millisecondsOf([&] {
                m_product.typeIntoLog(Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
                m_product.paint();
            }));
        }
        return {m_product.lineCount(), median(product), 0, int(product.size()), 0};
    }

    // Typing on at the end while the device's lines arrive at the top: each sample is one line
    // and one key, until painted. What the user typed must stay whole below the lines.
    Comparison measureTypingWhileLinesArrive()
    {
        std::vector<double> product;
        for (int i = 0; i < m_plan.typingSamples; ++i) {
            m_product.paint();
            product.push_back(millisecondsOf([&] {
                m_product.report(benchAction(m_nextAction++));
                m_product.typeIntoLog(Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
                m_product.paint();
            }));
        }
        if (!m_product.logText().endsWith(QString(2 * m_plan.typingSamples, u'x')))
            throw std::runtime_error("the arriving lines split what the user typed");
        m_product.leaveLog();
        return {m_product.lineCount(), median(product), 0, int(product.size()), 0};
    }

    // Pasted into the emptied log, then events above it, repaints and scrolls along it.
    LongLineResult measureLongLine()
    {
        LongLineResult result{m_plan.longLineLength, 0, 0, 0, 0, m_plan.longLineSamples};
        const QString line(m_plan.longLineLength, u'w');
        m_product.clear();
        result.pasteMs = millisecondsOf([&] {
            m_product.pasteIntoLog(line);
            m_product.paint();
        });
        std::vector<double> events, repaints, scrolls;
        for (int i = 0; i < m_plan.longLineSamples; ++i)
            events.push_back(timeEvent(m_product, benchAction(m_nextAction++)));
        for (int i = 0; i < m_plan.longLineSamples; ++i)
            repaints.push_back(millisecondsOf([&] {
                m_product.repaintLog();
                m_product.paint();
            }));
        for (int i = 0; i < m_plan.longLineSamples; ++i)
            scrolls.push_back(millisecondsOf([&] {
                m_product.scrollLogAlong(double(i + 1) / (m_plan.longLineSamples + 1));
                m_product.paint();
            }));
        result.eventMs = median(events);
        result.repaintMs = median(repaints);
        result.scrollMs = median(scrolls);
        return result;
    }

    static double timeBurst(BenchWindow &window, int &nextAction, int events)
    {
        window.paint();
        return millisecondsOf([&] {
            for (int i = 0; i < events; ++i)
                window.report(benchAction(nextAction++));
            window.paint();
        });
    }

    // Each burst follows events painted one at a time into the same log, which the burst must
    // outpace however fast the machine is.
    Comparison measureBurst()
    {
        std::vector<double> product;
        std::vector<double> oneAtATime;
        for (int i = 0; i < m_plan.burstSamples; ++i) {
            for (int j = 0; j < m_plan.eventSamples; ++j)
                oneAtATime.push_back(timeEvent(m_product, benchAction(m_nextAction++)));
            product.push_back(m_plan.burstEvents * 1000.0 /
                              timeBurst(m_product, m_nextAction, m_plan.burstEvents));
        }
        m_baseline.setLogText(m_product.logText());
        const double baseline = m_plan.baselineBurstEvents * 1000.0 /
                                timeBurst(m_baseline, m_nextAction, m_plan.baselineBurstEvents);
        return {m_product.lineCount(), median(product), baseline, int(product.size()), 1,
                median(oneAtATime)};
    }

    static double timeClear(BenchWindow &window)
    {
        window.paint();
        return millisecondsOf([&] {
            window.clear();
            window.paint();
        });
    }

    // The program's log is cleared last, since filling it again takes a while.
    Comparison measureClear()
    {
        const int size = m_plan.logSizes.back();
        fillTo(size);
        const QString text = m_product.logText();
        std::vector<double> baseline;
        for (int i = 0; i < m_plan.baselineClearSamples; ++i) {
            m_baseline.setLogText(text);
            baseline.push_back(timeClear(m_baseline));
        }
        std::vector<double> product;
        for (int i = 0; i < m_plan.clearSamples; ++i) {
            fillTo(size);
            product.push_back(timeClear(m_product));
        }
        return {size, median(product), median(baseline), int(product.size()), int(baseline.size())};
    }

    StartupResult measureStartups(const QString &probe) const
    {
        std::vector<double> firstFrame, startAndQuit;
        for (int i = 0; i < m_plan.startupSamples; ++i) {
            const StartupTimes times = measureStartup(probe);
            firstFrame.push_back(times.firstFrameMs);
            startAndQuit.push_back(times.startAndQuitMs);
        }
        return {median(firstFrame), median(startAndQuit), int(firstFrame.size())};
    }

    // Each road in a window of its own, one after the other, so that none slows another.
    std::vector<RoadBurst> measureRoads() const
    {
        const QString logText = benchLogText(m_plan.roadLogLines);
        std::vector<RoadBurst> roads{simulatedBurst(m_plan.roadReports, logText)};
#ifdef KV27_WINE
        qputenv("WINEPREFIX", KV27_WINE_PREFIX);
        qputenv("WINEDEBUG", "-all");
        qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
        if (QProcess::execute(QStringLiteral(KV27_PREPARE_WINE_PREFIX),
                              {QStringLiteral(KV27_WINE_PREFIX)}) != 0)
            throw std::runtime_error("the wine prefix could not be made");
        for (const auto &[bits, arch] : {std::pair{64, "x86_64"}, std::pair{32, "i686"}}) {
            if (bits == 32 && !m_plan.road32Bit)
                continue;
            const QString road = QStringLiteral("the %1-bit host under wine").arg(bits);
            // Where wine cannot run 32-bit programs, what it prints instead is no message.
            if (bits == 32 && QProcess::execute(QStringLiteral(KV27_RUNS_32_BIT_CODE), {}) != 0) {
                roads.push_back({road, 0, 0, 0,
                                 QStringLiteral("this machine's kernel runs no 32-bit code, so "
                                                "neither does wine")});
                continue;
            }
            roads.push_back(hostedBurst(
                road, QStringLiteral(KV27_WINE),
                QStringLiteral(KV27_BUILD_DIR "/test-control-%1/kv27-control-host%2.exe")
                    .arg(QLatin1String(arch))
                    .arg(bits),
                m_plan.roadReports, logText));
        }
#endif
        return roads;
    }

    static QString machineDescription()
    {
        QString model = QSysInfo::currentCpuArchitecture();
        QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
        if (cpuInfo.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : cpuInfo.readAll().split('\n'))
                if (line.startsWith("model name")) {
                    model = QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
                    break;
                }
        }
        return QStringLiteral("%1, %2 cores, %3, Qt %4")
            .arg(model)
            .arg(QThread::idealThreadCount())
            .arg(QSysInfo::prettyProductName(), QString::fromUtf8(qVersion()));
    }

    static QString loadAverage()
    {
        QFile file(QStringLiteral("/proc/loadavg"));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("unknown");
        return QString::fromUtf8(file.readAll()).section(u' ', 0, 2);
    }

    Plan m_plan;
    BenchWindow m_product{BenchWindow::Handler::InsertAtTop, {0, 0}};
    BenchWindow m_baseline{BenchWindow::Handler::ReadJoinWrite, {1, 0}};
    // The program's log again, set back to the text that fills the view before each sample.
    BenchWindow m_fullView{BenchWindow::Handler::InsertAtTop, {0, 1}};
    QString m_fullViewText;
    int m_nextAction = 0;
    std::ptrdiff_t m_productHeap = 0;
    std::ptrdiff_t m_productResident = 0;
    int m_productLines = 0;
    std::ptrdiff_t m_baselineHeap = 0;
    std::ptrdiff_t m_baselineResident = 0;
    int m_baselineLines = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool smoke = QApplication::arguments().contains(QStringLiteral("--smoke"));
    const QString probe =
        QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("kv27-startup-probe"));
    try {
        LogBenchmark benchmark(smoke ? smokePlan : fullPlan);
        const Results results = benchmark.run(probe);
        std::fputs(reportTable(results).toUtf8().constData(), stdout);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "kv27-bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
