#pragma once

#include <QString>
#include <memory>

class InterfaceControl;

// A burst of reports on one road into a shown window whose log already holds many lines: from
// the simulated device, or from the test control through a control host under wine.
struct RoadBurst {
    QString road;
    double reportsPerSecond = 0; // until the last report is painted
    int paints = 0;              // of the log, while the reports arrived
    double longestGapMs = 0;     // without a paint of the log, from the start to the last paint
    QString notMeasured;         // why, where the road could not be taken
};

// The burst from the simulated device: as many commands as reports, sent at once, each reported
// back with no transmission delay. Every report must arrive, in the order sent.
RoadBurst simulatedBurst(int reports, const QString &logText);

// The burst from the test control's two threads, each reporting half of them, through the host
// program (run by wine). Every report must arrive, each thread's in the order it raised them.
RoadBurst hostedBurst(const QString &road, const QString &wine, const QString &host, int reports,
                      const QString &logText);

// A log text of the given number of lines, newest first, as the benchmark's actions make them.
QString benchLogText(int lines);
