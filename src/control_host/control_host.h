#pragma once

#include "control_container.h"
#include "control_windows.h"
#include "event_connection.h"
#include "input_reader.h"
#include "message_writer.h"

#include <memory>
#include <string>
#include <windows.h>

// The host's life: the control created, sited and listened to, each command from the program
// handed to it, and the end. A close of the host's window, the end of the session or the end of
// the input may arrive inside any call into the control, where the control may run a message
// loop of its own: the control is let go only once that call has returned, and only once.
class ControlHost {
public:
    // The owner is the program's window, in front of which the control's own windows go.
    ControlHost(MessageWriter &writer, HWND owner);
    ~ControlHost();

    ControlHost(const ControlHost &) = delete;
    ControlHost &operator=(const ControlHost &) = delete;

    // Runs until the host ends; gives the process's exit code.
    int run(const wchar_t *programmaticId);

private:
    // Counts the calls into the control under way.
    class Call {
    public:
        explicit Call(ControlHost &host)
            : m_host(host)
        {
            ++m_host.m_calls;
        }
        ~Call() { --m_host.m_calls; }
        Call(const Call &) = delete;
        Call &operator=(const Call &) = delete;

    private:
        ControlHost &m_host;
    };

    static LRESULT CALLBACK rootProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK messageProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    bool createWindows();
    void handle(const std::string &line);
    // Closes the host now, or once the call into the control under way has returned.
    void requestClose();
    // Ends the host if a close came during the call that just returned; gives whether it did.
    bool closedAfterCall();
    void shutDown();

    MessageWriter &m_writer;
    HWND m_owner;
    // The root window the control is sited in: top-level, so that the control finds a frame,
    // and never shown.
    HWND m_root = nullptr;
    // The host's own messages, apart from anything the control or the system sends to its root.
    HWND m_messages = nullptr;
    ControlContainer m_container;
    EventConnection m_events;
    std::unique_ptr<ControlWindows> m_controlWindows;
    std::unique_ptr<InputReader> m_reader;
    int m_calls = 0;
    bool m_closeRequested = false;
    bool m_shuttingDown = false;
};
