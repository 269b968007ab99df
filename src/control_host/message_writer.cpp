#include "message_writer.h"

MessageWriter::MessageWriter(HANDLE output)
    : m_output(output)
{}

void MessageWriter::write(const std::string &line)
{
    AcquireSRWLockExclusive(&m_lock);
    std::size_t done = 0;
    while (done < line.size()) {
        DWORD written = 0;
        if (!WriteFile(m_output, line.data() + done, DWORD(line.size() - done), &written,
                       nullptr) ||
            written == 0)
            break; // the program has gone: there is no one left to tell
        done += written;
    }
    ReleaseSRWLockExclusive(&m_lock);
}
