#pragma once

#include <deque>
#include <optional>
#include <string>
#include <windows.h>

// Reads the program's commands on a thread of its own, from a handle of its own: the process's
// standard input becomes the null device, so that nothing else in the process (a DLL the control
// loads, a helper it starts that inherits it) ever waits on the pipe behind the pending read.
// Each line waits until the window's thread takes it; the window hears of new input through
// inputMessage, which carries nothing, so that the same message posted by anyone else does no
// harm. A line longer than the longest the wire takes is kept only as far as shows that.
class InputReader {
public:
    static constexpr UINT inputMessage = WM_APP + 1;

    // Takes the process's standard input over at once, before any code of the control's runs.
    InputReader();
    ~InputReader();

    InputReader(const InputReader &) = delete;
    InputReader &operator=(const InputReader &) = delete;

    // Starts reading; the window hears of new input.
    void start(HWND window);
    std::optional<std::string> takeLine();
    // Whether a line waits, or the input has closed.
    bool hasNews();
    // Whether the input has closed and every line has been taken.
    bool ended();

private:
    // What the thread uses, so that it can outlive the reader, blocked in a read.
    struct Shared {
        HANDLE input = INVALID_HANDLE_VALUE;
        HWND window = nullptr;
        SRWLOCK lock = SRWLOCK_INIT;
        std::deque<std::string> lines;
        bool closed = false;
    };
    static DWORD WINAPI run(void *shared);

    Shared *m_shared;
    HANDLE m_thread = nullptr;
};
