#include "input_reader.h"

InputReader::InputReader(HWND window)
    : m_window(window)
    , m_handled(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{}

InputReader::~InputReader()
{
    // The thread may be blocked reading an input that never closes; the process ends anyway.
    if (m_thread)
        CloseHandle(m_thread);
    CloseHandle(m_handled);
}

void InputReader::start()
{
    m_thread = CreateThread(nullptr, 0, &InputReader::run, this, 0, nullptr);
}

void InputReader::lineHandled()
{
    SetEvent(m_handled);
}

DWORD WINAPI InputReader::run(void *self)
{
    static_cast<InputReader *>(self)->readLines();
    return 0;
}

void InputReader::readLines()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(input, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        pending.append(buffer, count);
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            auto *line = new std::string(pending, 0, end);
            pending.erase(0, end + 1);
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            if (!PostMessageW(m_window, lineMessage, 0, reinterpret_cast<LPARAM>(line))) {
                delete line;
                break;
            }
            WaitForSingleObject(m_handled, INFINITE);
        }
    }
    PostMessageW(m_window, closedMessage, 0, 0);
}
