#pragma once

#include <string>
#include <windows.h>

// Reads standard input on a thread of its own and hands each line to the window's thread as
// a lineMessage (lParam: std::string *, owned by the receiver), waiting until that line has
// been handled before reading on. When the input closes it posts closedMessage. It stops when
// its owner goes, even while the window is gone or a line is never handled.
class InputReader {
public:
    static constexpr UINT lineMessage = WM_APP + 1;
    static constexpr UINT closedMessage = WM_APP + 2;

    explicit InputReader(HWND window);
    ~InputReader();

    void start();
    // Called on the window's thread once a line has been handled.
    void lineHandled();

private:
    // What the thread uses, apart from the reader, so that it can outlive the reader.
    struct Shared {
        HWND window;
        HANDLE handled;
        HANDLE stop;
    };
    static DWORD WINAPI run(void *shared);

    Shared *m_shared;
    HANDLE m_thread = nullptr;
};
