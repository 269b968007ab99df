// kv27-control-host: hosts the device's scripting control in a process of the control's own
// bitness and speaks for it to the exerciser over standard input and output (see control_wire.h).
// It ends when its input closes, when its window is closed, or when the session ends.

#include "control_site.h"
#include "event_sink.h"
#include "input_reader.h"
#include "message_writer.h"

#include <cfloat>
#include <cstdio>
#include <io.h>
#include <memory>
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

namespace {

constexpr wchar_t programmaticId[] = L"HearthwickScriptLibCtl.Hearthwick";
constexpr wchar_t windowClass[] = L"KV27ControlHost";

struct Host {
    explicit Host(MessageWriter &writer)
        : writer(writer)
    {}

    MessageWriter &writer;
    ControlSite site;
    EventConnection events{writer};
    std::unique_ptr<InputReader> reader;
    // Set while a command is inside the control, which may run a message loop of its own (a
    // message box, say): a request to close that comes meanwhile waits until the call returns,
    // since the control must not be let go under its own call.
    bool busy = false;
    bool closeRequested = false;

    void handle(const std::string &line)
    {
        const auto parsed = HostWire::parseCommand(line);
        if (const auto *problem = std::get_if<HostWire::Failure>(&parsed)) {
            writer.write(HostWire::failedLine(*problem));
            return;
        }
        const auto &command = std::get<HostWire::Command>(parsed);
        busy = true;
        const auto failure = site.sendCommand(asWide(command.verb), asWide(command.text));
        busy = false;
        writer.write(failure ? HostWire::failedLine(wireFailure(*failure)) : HostWire::doneLine());
    }

    void close()
    {
        events.disconnect();
        site.close();
    }
};

// The protocol keeps the output to the program to itself: the control, in this process, may
// write to standard output, which from here on is standard error.
HANDLE keepProtocolOutput()
{
    HANDLE protocol = nullptr;
    const HANDLE process = GetCurrentProcess();
    if (!DuplicateHandle(process, GetStdHandle(STD_OUTPUT_HANDLE), process, &protocol, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return GetStdHandle(STD_OUTPUT_HANDLE);
    std::fflush(stdout);
    if (_dup2(_fileno(stderr), _fileno(stdout)) != 0)
        _close(_fileno(stdout));
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    return protocol;
}

void closeHost(Host &host, HWND window)
{
    if (host.busy) {
        host.closeRequested = true;
        return;
    }
    host.close();
    DestroyWindow(window);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *host = reinterpret_cast<Host *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case InputReader::lineMessage: {
        const std::unique_ptr<std::string> line(reinterpret_cast<std::string *>(lParam));
        host->handle(*line);
        if (host->closeRequested)
            closeHost(*host, window);
        else
            host->reader->lineHandled();
        return 0;
    }
    case InputReader::closedMessage:
    case WM_CLOSE:
        closeHost(*host, window);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends once this returns: the control is let go now, unless it is busy.
        if (wParam)
            closeHost(*host, window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND createHiddenWindow(Host &host)
{
    WNDCLASSW windowClassInfo{};
    windowClassInfo.lpfnWndProc = windowProcedure;
    windowClassInfo.hInstance = GetModuleHandleW(nullptr);
    windowClassInfo.lpszClassName = windowClass;
    RegisterClassW(&windowClassInfo);
    // A real top-level window, never shown: some controls will not be sited on message windows.
    HWND window = CreateWindowExW(0, windowClass, L"KV27 control host", WS_OVERLAPPEDWINDOW, 0, 0,
                                  320, 240, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&host));
    return window;
}

int run(Host &host)
{
    HWND window = createHiddenWindow(host);
    if (!window) {
        host.writer.write(
            HostWire::unavailableLine(wireFailure(comFailure(HRESULT_FROM_WIN32(GetLastError())))));
        return 1;
    }
    if (const auto failure = host.site.create(window, programmaticId)) {
        host.writer.write(HostWire::unavailableLine(wireFailure(*failure)));
        closeHost(host, window);
        return 1;
    }
    if (host.events.connect(host.site.control()) == 0) {
        host.writer.write(HostWire::unavailableLine(
            wireFailure({CONNECT_E_CANNOTCONNECT,
                         std::wstring(L"The control \"") + programmaticId +
                             L"\" reports nothing: no event sink could be connected."})));
        closeHost(host, window);
        return 1;
    }
    host.writer.write(HostWire::readyLine());

    host.reader = std::make_unique<InputReader>(window);
    host.reader->start();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

// Controls built with the tools of the 32-bit days computed under the x87 precision that their
// hosts set, 53 bits (double); this runtime starts with 64, which changes their rounding.
void useTheX87PrecisionOfOlderHosts()
{
#if defined(__i386__) || defined(_M_IX86)
    unsigned int control = 0;
    _controlfp_s(&control, _PC_53, _MCW_PC);
#endif
}

int main()
{
    useTheX87PrecisionOfOlderHosts();
    MessageWriter writer(keepProtocolOutput());
    if (const HRESULT result = OleInitialize(nullptr); FAILED(result)) {
        writer.write(HostWire::unavailableLine(wireFailure(comFailure(result))));
        return 1;
    }
    int exitCode = 0;
    {
        Host host(writer);
        exitCode = run(host);
    }
    OleUninitialize();
    return exitCode;
}
