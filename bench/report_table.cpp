#include "report_table.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace {

QString count(double value)
{
    QLocale english(QLocale::English);
    return english.toString(qint64(value + 0.5));
}

QString milliseconds(double value)
{
    return QString::number(value, 'f', value < 10 ? 3 : 1) + QStringLiteral(" ms");
}

QString times(double ratio)
{
    return QString::number(ratio, 'f', ratio < 10 ? 2 : 0) + u'x';
}

QString samples(int product, int baseline)
{
    return baseline ? QStringLiteral("%1 / %2").arg(product).arg(baseline)
                    : QString::number(product);
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

class Table {
public:
    void add(QStringList row) { m_rows.append(row); }

    QString text() const
    {
        QList<int> widths;
        for (const QStringList &row : m_rows)
            for (int i = 0; i < row.size(); ++i) {
                if (widths.size() <= i)
                    widths.append(0);
                widths[i] = std::max(widths[i], int(row[i].size()));
            }
        QString text;
        for (const QStringList &row : m_rows) {
            QString line;
            for (int i = 0; i < row.size(); ++i)
                line += i == 0 ? row[i].leftJustified(widths[i])
                               : QStringLiteral("  ") + row[i].rightJustified(widths[i]);
            text += line.trimmed().isEmpty() ? QString() : line;
            text += u'\n';
        }
        return text;
    }

private:
    QList<QStringList> m_rows;
};

} // namespace

QString reportTable(const Results &results)
{
    Table table;
    table.add({QStringLiteral("Measure"), QStringLiteral("insert at top"),
               QStringLiteral("read-join-write"), QStringLiteral("ratio"),
               QStringLiteral("samples"), QStringLiteral("target")});
    for (const Comparison &event : results.events)
        table.add({QStringLiteral("One event and its repaint, %1 lines%2")
                       .arg(count(event.lines), event.lines == results.fullView
                                                    ? QStringLiteral(", filling the view")
                                                    : QString()),
                   milliseconds(event.product), milliseconds(event.baseline),
                   times(event.baseline / event.product),
                   samples(event.productSamples, event.baselineSamples), QString()});

    // A log whose new line fills the view moves as many lines on screen as any longer one and
    // draws one: whatever a longer log costs more comes from its size alone. The program's logs
    // are compared sample by sample, the read-join-write log's run by run.
    const auto fullView =
        std::find_if(results.events.begin(), results.events.end(),
                     [&](const Comparison &event) { return event.lines == results.fullView; });
    double flatness = 1;
    double baselineFlatness = 1;
    for (auto longer = fullView + 1; longer < results.events.end(); ++longer) {
        flatness = std::max(flatness, longer->product / longer->beside);
        baselineFlatness = std::max(baselineFlatness, longer->baseline / fullView->baseline);
    }
    table.add({QStringLiteral("  slowest longer log / the log filling the view beside it"),
               times(flatness), times(baselineFlatness), QString(), QString(),
               QStringLiteral("<= 1.2x %1").arg(verdict(flatness <= 1.2))});

    const Comparison &typing = results.typing;
    table.add(
        {QStringLiteral("Typing a character at %1 lines, until painted").arg(count(typing.lines)),
         milliseconds(typing.product), QString(), QString(), QString::number(typing.productSamples),
         QStringLiteral("< 5 ms %1").arg(verdict(typing.product < 5))});
    const Comparison &arriving = results.typingWhileLinesArrive;
    table.add({QStringLiteral("  a line arriving and a character typed, until painted"),
               milliseconds(arriving.product), QString(), QString(),
               QString::number(arriving.productSamples),
               QStringLiteral("< 5 ms %1").arg(verdict(arriving.product < 5))});

    // Painting once for a whole burst, the log must take its events several times as fast as it
    // takes them painted one at a time, as the same run measures them.
    const Comparison &burst = results.burst;
    const double burstGain = burst.product * burst.beside / 1000;
    table.add({QStringLiteral("Burst into %1 lines, until painted").arg(count(burst.lines)),
               count(burst.product) + QStringLiteral(" /s"),
               QString::number(burst.baseline, 'f', 2) + QStringLiteral(" /s"),
               times(burst.product / burst.baseline),
               samples(burst.productSamples, burst.baselineSamples),
               QStringLiteral(">= 4x one at a time %1").arg(verdict(burstGain >= 4))});
    table.add({QStringLiteral("  one at a time beside it, each painted"),
               count(1000 / burst.beside) + QStringLiteral(" /s"), QString(), times(burstGain)});

    const Comparison &clear = results.clear;
    table.add({QStringLiteral("Clear Log Display on %1 lines").arg(count(clear.lines)),
               milliseconds(clear.product), milliseconds(clear.baseline),
               times(clear.baseline / clear.product),
               samples(clear.productSamples, clear.baselineSamples),
               QStringLiteral("< 20 ms %1").arg(verdict(clear.product < 20))});

    const Comparison &bytes = results.bytesPerLine;
    table.add({QStringLiteral("Heap per line at %1 lines").arg(count(bytes.lines)),
               count(bytes.product) + QStringLiteral(" B"),
               count(bytes.baseline) + QStringLiteral(" B"), times(bytes.baseline / bytes.product),
               QString(), QStringLiteral("<= 250 B %1").arg(verdict(bytes.product <= 250))});

    const Comparison &resident = results.residentPerLine;
    table.add({QStringLiteral("Resident memory per line at %1 lines").arg(count(resident.lines)),
               count(resident.product) + QStringLiteral(" B"),
               count(resident.baseline) + QStringLiteral(" B"),
               times(resident.baseline / resident.product), QString(),
               QStringLiteral("<= 700 B %1").arg(verdict(resident.product <= 700))});

    const LongLineResult &longLine = results.longLine;
    const QString line = QStringLiteral("a line of %1 characters").arg(count(longLine.length));
    table.add({QStringLiteral("Paste of %1, until painted").arg(line),
               milliseconds(longLine.pasteMs), QString(), QString(), QStringLiteral("1"),
               QStringLiteral("< 2,000 ms %1").arg(verdict(longLine.pasteMs < 2000))});
    const std::pair<const char *, double> afterPaste[] = {
        {"  then one event and its repaint", longLine.eventMs},
        {"  then a repaint with it in view", longLine.repaintMs},
        {"  then a scroll along it, until painted", longLine.scrollMs}};
    for (const auto &[measure, ms] : afterPaste)
        table.add({QString::fromUtf8(measure), milliseconds(ms), QString(), QString(),
                   QString::number(longLine.samples),
                   QStringLiteral("< 50 ms %1").arg(verdict(ms < 50))});

    const StartupResult &startup = results.startup;
    table.add({QStringLiteral("Process start to first painted frame"),
               milliseconds(startup.firstFrameMs), QStringLiteral("same"), QString(),
               QString::number(startup.samples),
               QStringLiteral("< 100 ms %1").arg(verdict(startup.firstFrameMs < 100))});
    table.add({QStringLiteral("Process start to end, quitting at that frame"),
               milliseconds(startup.startAndQuitMs), QStringLiteral("same"), QString(),
               QString::number(startup.samples), QString()});

    // The same burst on every road, each measured against the simulated device's.
    QStringList notMeasured;
    table.add({QStringLiteral("Burst of %1 reports into %2 lines, until painted")
                   .arg(count(results.roadReports), count(results.roadLogLines))});
    const double simulated = results.roads.front().reportsPerSecond;
    for (const RoadBurst &road : results.roads) {
        const bool hosted = &road != &results.roads.front();
        const QString label =
            (hosted ? QStringLiteral("  through ") : QStringLiteral("  from ")) + road.road;
        if (!road.notMeasured.isEmpty()) {
            table.add({label, QStringLiteral("not measured")});
            notMeasured << road.road + QStringLiteral(": ") + road.notMeasured;
            continue;
        }
        const double ratio = road.reportsPerSecond / simulated;
        table.add(
            {label + QStringLiteral(", %1 %2 at most %3 apart")
                         .arg(road.paints)
                         .arg(road.paints == 1 ? QStringLiteral("paint") : QStringLiteral("paints"),
                              milliseconds(road.longestGapMs)),
             count(road.reportsPerSecond) + QStringLiteral(" /s"), QString(),
             hosted ? times(ratio) : QString(), QStringLiteral("1"),
             hosted ? QStringLiteral(">= 0.5x simulated %1").arg(verdict(ratio >= 0.5))
                    : QString()});
    }

    return QStringLiteral("KV27 Exerciser log benchmark on the %1 platform\n"
                          "%2\n"
                          "load average %3 before, %4 after\n"
                          "log lines of %5 characters on average; figures are medians\n\n")
               .arg(results.platform, results.machine, results.loadBefore, results.loadAfter,
                    QString::number(results.lineLength, 'f', 1)) +
           table.text() +
           QStringLiteral(
               "\nratio: how many times more time (or heap) the read-join-write log takes, or for "
               "the burst\nhow many times more events per second the program's log takes; samples: "
               "insert at top / read-join-write.\nOne at a time: how many times as fast the burst "
               "took its events. For the roads, the ratio is to\nthe simulated device's rate.\n") +
           (notMeasured.isEmpty() ? QString()
                                  : QStringLiteral("not measured: ") +
                                        notMeasured.join(QStringLiteral("\n  ")) + u'\n');
}
