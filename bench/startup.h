#pragma once

#include <QString>

struct StartupTimes {
    double firstFrameMs = 0;   // from asking for the process to its first painted frame
    double startAndQuitMs = 0; // from asking for the process to its end, quitting at that frame
};

// Starts the probe once and times it from here; throws std::runtime_error when it fails.
StartupTimes measureStartup(const QString &probe);
