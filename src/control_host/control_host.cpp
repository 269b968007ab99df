#include "control_host.h"

#include "host_wire.h"

#include <olectl.h>

namespace {

constexpr wchar_t rootClass[] = L"KV27ControlHost";
constexpr wchar_t messageClass[] = L"KV27ControlHostMessages";
// The host's own timer for looking at its input again.
constexpr UINT_PTR lookAgainTimer = 1;

// E_ABORT: what the host was asked to do was given up because it closes.
HostWire::Failure closing(std::u16string description)
{
    return {0x80004004, std::move(description)};
}

// Why the host cannot listen to the control, if it cannot.
std::optional<ComFailure> notListening(const wchar_t *programmaticId,
                                       EventConnection::Outcome outcome)
{
    const std::wstring name = std::wstring(L"The control \"") + programmaticId + L"\"";
    switch (outcome) {
    case EventConnection::Outcome::Listening:
        return std::nullopt;
    case EventConnection::Outcome::NoActionEvent:
        return ComFailure{CONNECT_E_NOCONNECTION,
                          name + L" has events of its own, but no ActionEvent among them, which "
                                 L"is how it would report the device's actions."};
    case EventConnection::Outcome::NotConnected:
        break;
    }
    return ComFailure{CONNECT_E_CANNOTCONNECT,
                      name + L" reports nothing: no event sink could be connected."};
}

ControlHost *hostOf(HWND window)
{
    return reinterpret_cast<ControlHost *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

ControlHost::ControlHost(MessageWriter &writer, HWND owner)
    : m_writer(writer)
    , m_owner(owner)
    , m_container([&writer](bool enabled) { writer.write(HostWire::modelessLine(enabled)); })
    , m_events(writer)
    , m_outOfMemory(HostWire::failedLine(
          {0x8007000E, u"The control host had too little memory for the command."}))
{}

ControlHost::~ControlHost()
{
    shutDown();
}

int ControlHost::run(const wchar_t *programmaticId)
{
    if (!createWindows()) {
        m_writer.write(HostWire::unavailableLine(
            wireFailure(lastErrorFailure(L"The control host's window could not be made."))));
        return 1;
    }
    m_controlWindows = std::make_unique<ControlWindows>(m_writer, m_owner);
    std::optional<ComFailure> failure;
    {
        const Call call(*this);
        failure = m_container.create(m_root, programmaticId);
        if (!failure)
            failure = notListening(programmaticId,
                                   m_events.connect(m_container.control(), m_container.classId()));
    }
    m_controlWindows->look();
    if (m_closeRequested) {
        m_writer.write(HostWire::unavailableLine(
            closing(u"The control host was closed while the control was being created.")));
        shutDown();
        return 0;
    }
    if (failure) {
        m_writer.write(HostWire::unavailableLine(wireFailure(*failure)));
        shutDown();
        return 1;
    }
    m_writer.write(HostWire::readyLine());

    m_reader.start(m_messages);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd && message.hwnd == m_messages) {
            DispatchMessageW(&message);
            continue;
        }
        // The control's timers and windows run its code on its own time: that counts as a call.
        const Call call(*this);
        if (m_container.takesKey(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

bool ControlHost::createWindows()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW root{};
    root.lpfnWndProc = rootProcedure;
    root.hInstance = instance;
    root.lpszClassName = rootClass;
    WNDCLASSW messages = root;
    messages.lpfnWndProc = messageProcedure;
    messages.lpszClassName = messageClass;
    RegisterClassW(&root);
    RegisterClassW(&messages);
    // A real top-level window: some controls will not be sited on message windows.
    m_root = CreateWindowExW(0, rootClass, L"KV27 control host", WS_OVERLAPPEDWINDOW, 0, 0, 320,
                             240, nullptr, nullptr, instance, nullptr);
    m_messages = CreateWindowExW(0, messageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 instance, nullptr);
    if (!m_root || !m_messages)
        return false;
    SetWindowLongPtrW(m_root, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_messages, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

// A message another thread sends the control runs its code inside the host's wait for messages,
// outside any call of ours; nothing tells when that code returns, so the host looks again in a
// moment.
bool ControlHost::waitsForTheControl()
{
    if (m_calls > 0)
        return true;
    if (!InSendMessage())
        return false;
    if (m_messages)
        SetTimer(m_messages, lookAgainTimer, 50, nullptr);
    return true;
}

void ControlHost::takeInput()
{
    if (m_shuttingDown || waitsForTheControl())
        return;
    if (m_closeRequested) {
        shutDown();
        return;
    }
    if (const auto line = m_reader.takeLine()) {
        handle(*line);
        // One line at a time, so that the control's own messages take their turn between them.
        resume();
    } else if (m_reader.ended()) {
        requestClose();
    }
}

void ControlHost::handle(const std::string &line)
{
    const auto parsed = HostWire::parseCommand(line);
    if (const auto *problem = std::get_if<HostWire::Failure>(&parsed)) {
        m_writer.write(HostWire::failedLine(*problem));
        return;
    }
    if (m_closeRequested || m_shuttingDown) {
        m_writer.write(HostWire::failedLine(closing(u"The control host is closing.")));
        return;
    }
    const auto &command = std::get<HostWire::Command>(parsed);
    std::optional<ComFailure> failure;
    {
        const Call call(*this);
        failure = m_container.sendCommand(asWide(command.verb), asWide(command.text));
    }
    m_controlWindows->look();
    m_writer.write(failure ? HostWire::failedLine(wireFailure(*failure)) : HostWire::doneLine());
}

// Input or a close that waited for the control's code is taken from the message loop.
void ControlHost::resume()
{
    if (m_messages && (m_closeRequested || m_reader.hasNews()))
        PostMessageW(m_messages, InputReader::inputMessage, 0, 0);
}

void ControlHost::requestClose()
{
    if (m_calls > 0 || m_shuttingDown) {
        m_closeRequested = true;
        return;
    }
    shutDown();
}

// Once, whatever asks for it meanwhile: the control is deactivated, closed and let go, and the
// windows it may still show go with it.
void ControlHost::shutDown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    {
        const Call call(*this);
        m_events.disconnect();
        m_container.close();
    }
    m_controlWindows.reset();
    if (m_messages)
        DestroyWindow(std::exchange(m_messages, nullptr));
    if (m_root)
        DestroyWindow(std::exchange(m_root, nullptr));
}

LRESULT CALLBACK ControlHost::rootProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ControlHost *host = hostOf(window);
    switch (message) {
    case WM_CLOSE:
        if (host->waitsForTheControl())
            host->m_closeRequested = true;
        else
            host->requestClose();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends once this returns: the control is let go now, unless it is busy.
        if (wParam)
            host->requestClose();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK ControlHost::messageProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam)
{
    if (message == WM_TIMER && wParam == lookAgainTimer)
        KillTimer(window, lookAgainTimer);
    else if (message != InputReader::inputMessage)
        return DefWindowProcW(window, message, wParam, lParam);
    ControlHost *host = hostOf(window);
    // Nothing thrown may unwind through the system's frames, or the control's: the command at
    // hand fails, in words written while there was memory for them.
    try {
        host->takeInput();
    } catch (...) {
        host->m_writer.write(host->m_outOfMemory);
        host->resume();
    }
    return 0;
}
