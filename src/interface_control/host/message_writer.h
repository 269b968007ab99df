#pragma once

#include <nlohmann/json.hpp>
#include <windows.h>

// Writes one JSON message per line to standard output. Controls may raise events from threads
// of their own, so whole lines are written under a lock and never interleave.
class MessageWriter {
public:
    MessageWriter();
    void write(const nlohmann::json &message);

private:
    HANDLE m_output;
    SRWLOCK m_lock = SRWLOCK_INIT;
};
