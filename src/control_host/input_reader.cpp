#include "input_reader.h"

InputReader::InputReader(HWND window)
    : m_shared(new Shared{window, CreateEventW(nullptr, FALSE, FALSE, nullptr),
                          CreateEventW(nullptr, TRUE, FALSE, nullptr)})
{}

InputReader::~InputReader()
{
    SetEvent(m_shared->stop);
    // A thread still blocked reading an input that has not closed keeps what it uses: the end
    // of the process, which follows, takes that and the thread.
    if (m_thread && WaitForSingleObject(m_thread, 0) != WAIT_OBJECT_0)
        return;
    if (m_thread)
        CloseHandle(m_thread);
    CloseHandle(m_shared->handled);
    CloseHandle(m_shared->stop);
    delete m_shared;
}

void InputReader::start()
{
    m_thread = CreateThread(nullptr, 0, &InputReader::run, m_shared, 0, nullptr);
}

void InputReader::lineHandled()
{
    SetEvent(m_shared->handled);
}

DWORD WINAPI InputReader::run(void *argument)
{
    const Shared &shared = *static_cast<Shared *>(argument);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE wakers[] = {shared.handled, shared.stop};
    std::string pending;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(input, buffer, sizeof buffer, &count, nullptr) && count > 0 &&
           WaitForSingleObject(shared.stop, 0) == WAIT_TIMEOUT) {
        pending.append(buffer, count);
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            auto *line = new std::string(pending, 0, end);
            pending.erase(0, end + 1);
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            if (!PostMessageW(shared.window, lineMessage, 0, reinterpret_cast<LPARAM>(line))) {
                delete line;
                return 0;
            }
            if (WaitForMultipleObjects(2, wakers, FALSE, INFINITE) != WAIT_OBJECT_0)
                return 0;
        }
    }
    PostMessageW(shared.window, closedMessage, 0, 0);
    return 0;
}
