#pragma once

#include <string>
#include <windows.h>

// Writes the protocol's lines to the program. Controls may raise events from threads of their
// own, so whole lines are written under a lock and never interleave.
class MessageWriter {
public:
    explicit MessageWriter(HANDLE output);
    // The line ends with its newline.
    void write(const std::string &line);

private:
    HANDLE m_output;
    SRWLOCK m_lock = SRWLOCK_INIT;
};
