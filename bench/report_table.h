#pragma once

#include "road_burst.h"

#include <QString>
#include <vector>

// One figure for the program's log and for the read-join-write log, each a median of its samples.
struct Comparison {
    int lines = 0;
    double product = 0;
    double baseline = 0;
    int productSamples = 0;
    int baselineSamples = 0;
    // Measured sample by sample beside the program's log, the yardstick of a relative target:
    // the log filling the view beside a longer log's events, one event at a time beside a burst.
    double beside = 0;
};

struct StartupResult {
    double firstFrameMs = 0;
    double startAndQuitMs = 0;
    int samples = 0;
};

// A line pasted by the user, far longer than any the program writes: the program's log only,
// since a plain box takes minutes over it.
struct LongLineResult {
    int length = 0;
    double pasteMs = 0;
    double eventMs = 0;
    double repaintMs = 0;
    double scrollMs = 0; // to a place along it, until painted
    int samples = 0;
};

struct Results {
    QString platform;
    QString machine;
    QString loadBefore;
    QString loadAfter;
    double lineLength = 0;
    std::vector<Comparison> events; // milliseconds per event, by log size
    int fullView = 0;               // among them, the size of a log whose new line fills the view
    Comparison bytesPerLine;        // heap in use
    Comparison residentPerLine;     // pages in RAM
    Comparison burst;               // events per second
    Comparison clear;               // milliseconds
    StartupResult startup;
    Comparison typing;                 // milliseconds per typed character at the largest size
    Comparison typingWhileLinesArrive; // milliseconds per arriving line and typed character
    LongLineResult longLine;
    std::vector<RoadBurst> roads; // the simulated device's first
    int roadReports = 0;
    int roadLogLines = 0;
};

// The results as a plain-text table with the ratio to the read-join-write log and the targets.
QString reportTable(const Results &results);
