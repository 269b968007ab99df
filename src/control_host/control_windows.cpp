#include "control_windows.h"

#include "host_wire.h"

#include <algorithm>
#include <vector>

namespace {

constexpr DWORD pollInterval = 50; // ms: quick to notice, and nothing to a sleeping thread
// How long a window's thread may take to answer: a box's message loop answers at once.
constexpr UINT answerWithin = 500; // ms

BOOL CALLBACK collectShown(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && window != GetConsoleWindow())
        reinterpret_cast<std::vector<HWND> *>(found)->push_back(window);
    return TRUE;
}

// Whether the window's thread takes messages, as it does while it waits for the user.
bool answers(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, answerWithin,
                               &result) != 0;
}

// The host's own windows are never shown, so every shown top-level window of this process but a
// console's is the control's.
std::vector<HWND> waitingForTheUser()
{
    std::vector<HWND> shown;
    EnumWindows(collectShown, reinterpret_cast<LPARAM>(&shown));
    std::erase_if(shown, [](HWND window) { return !answers(window); });
    return shown;
}

// A window the control opened on its hidden root, or on none, goes in front of the program's.
void bringForward(HWND window, HWND owner)
{
    const HWND current = GetWindow(window, GW_OWNER);
    if (owner && (!current || !IsWindowVisible(current)))
        SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    SetForegroundWindow(window);
}

} // namespace

ControlWindows::ControlWindows(MessageWriter &writer, HWND owner)
    : m_writer(writer)
    , m_owner(IsWindow(owner) ? owner : nullptr)
    , m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    m_thread = CreateThread(nullptr, 0, &ControlWindows::run, this, 0, nullptr);
}

ControlWindows::~ControlWindows()
{
    SetEvent(m_stop);
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    CloseHandle(m_stop);
    // Whatever was open goes with the control.
    if (!m_known.empty())
        m_writer.write(HostWire::windowLine(false));
}

void ControlWindows::look()
{
    const LONG look = InterlockedIncrement(&m_looks);
    std::vector<HWND> waiting = waitingForTheUser();
    AcquireSRWLockExclusive(&m_lock);
    if (look > m_applied) {
        m_applied = look;
        for (const HWND window : waiting)
            if (std::find(m_known.begin(), m_known.end(), window) == m_known.end())
                bringForward(window, m_owner);
        if (m_known.empty() != waiting.empty())
            m_writer.write(HostWire::windowLine(!waiting.empty()));
        m_known = std::move(waiting);
    }
    ReleaseSRWLockExclusive(&m_lock);
}

DWORD WINAPI ControlWindows::run(void *self)
{
    auto &windows = *static_cast<ControlWindows *>(self);
    do
        windows.look();
    while (WaitForSingleObject(windows.m_stop, pollInterval) == WAIT_TIMEOUT);
    return 0;
}
