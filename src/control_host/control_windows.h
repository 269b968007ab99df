#pragma once

#include "message_writer.h"

#include <vector>
#include <windows.h>

// Watches for windows of the control's own (a message box, a dialog) while the control lives: it
// tells the program when the first waits for the user and when the last has stopped, so that the
// time the user spends on them does not count against any limit, and brings each one in front of
// the program's window, owned by it, where the user sees it. A window waits for the user only
// while its thread answers messages: the window of a control that hangs holds no clock. Runs on a
// thread of its own, since the window's thread is inside the control's message loop while such a
// window is open.
class ControlWindows {
public:
    // The owner is the program's window, or none.
    ControlWindows(MessageWriter &writer, HWND owner);
    ~ControlWindows();

    ControlWindows(const ControlWindows &) = delete;
    ControlWindows &operator=(const ControlWindows &) = delete;

    // Looks at once, as a call into the control returns, so that the program hears of a window
    // that closed before it hears the call's answer.
    void look();

private:
    static DWORD WINAPI run(void *self);

    MessageWriter &m_writer;
    HWND m_owner;
    HANDLE m_stop;
    SRWLOCK m_lock = SRWLOCK_INIT;
    // Looks are numbered as they start, so that an older one, slower to finish, never undoes
    // what a newer one found.
    volatile LONG m_looks = 0;
    LONG m_applied = 0;
    std::vector<HWND> m_known;
    HANDLE m_thread = nullptr;
};
