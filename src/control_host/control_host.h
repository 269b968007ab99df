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
// handed to it, and the end. The control's code runs inside the calls the host makes into it and,
// on its own time, from the host's message loop (its timers, its windows' messages); either way
// it may run a message loop of its own, in which the program's next command, a close of the
// host's window, the end of the session or the end of the input may arrive. Commands wait until
// the control's code has returned, and the control is let go only then, and only once.
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
    // Counts the control's code under way; input that waited for it is taken once it returns.
    class Call {
    public:
        explicit Call(ControlHost &host)
            : m_host(host)
        {
            ++m_host.m_calls;
        }
        ~Call()
        {
            if (--m_host.m_calls == 0)
                m_host.resume();
        }
        Call(const Call &) = delete;
        Call &operator=(const Call &) = delete;

    private:
        ControlHost &m_host;
    };

    static LRESULT CALLBACK rootProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK messageProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    bool createWindows();
    // Whether input and a close wait for the control's code under way, in a call of ours or for
    // a message sent to it; for the latter, it sees that the host looks again.
    bool waitsForTheControl();
    // Takes the next line from the program, or the end of its input, unless the control's code
    // is under way.
    void takeInput();
    void handle(const std::string &line);
    void resume();
    // Closes the host now, or once the control's code under way has returned.
    void requestClose();
    void shutDown();

    // First, so that the process's standard input is the reader's before the control is loaded.
    InputReader m_reader;
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
    const std::string m_outOfMemory;
    int m_calls = 0;
    bool m_closeRequested = false;
    bool m_shuttingDown = false;
};
