// kv27-control-host: hosts the device's scripting control in a process of the control's own
// bitness and speaks for it to the exerciser over standard input and output (see protocol.h).
// It ends when its input closes.

#include "control_site.h"
#include "event_sink.h"
#include "input_reader.h"
#include "message_writer.h"
#include "protocol.h"

#include <memory>
#include <ole2.h>
#include <windows.h>

namespace {

constexpr wchar_t programmaticId[] = L"HearthwickScriptLibCtl.Hearthwick";
constexpr wchar_t windowClass[] = L"KV27ControlHost";

struct Host {
    MessageWriter writer;
    ControlSite site;
    EventConnection events{writer};
    std::unique_ptr<InputReader> reader;

    void handle(const std::string &line)
    {
        const auto parsed = parseCommand(line);
        if (const auto *problem = std::get_if<ComFailure>(&parsed)) {
            writer.write(failedLine(*problem));
            return;
        }
        const auto &command = std::get<Command>(parsed);
        const auto failure = site.sendCommand(command.verb, command.text);
        writer.write(failure ? failedLine(*failure) : doneLine());
    }

    void close()
    {
        events.disconnect();
        site.close();
    }
};

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *host = reinterpret_cast<Host *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case InputReader::lineMessage: {
        const std::unique_ptr<std::string> line(reinterpret_cast<std::string *>(lParam));
        host->handle(*line);
        host->reader->lineHandled();
        return 0;
    }
    case InputReader::closedMessage:
        host->close();
        DestroyWindow(window);
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
        host.writer.write(unavailableLine(comFailure(HRESULT_FROM_WIN32(GetLastError()))));
        return 1;
    }
    if (const auto failure = host.site.create(window, programmaticId)) {
        host.writer.write(unavailableLine(*failure));
        host.site.close();
        DestroyWindow(window);
        return 1;
    }
    host.events.connect(host.site.control());
    host.writer.write(readyLine());

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

int main()
{
    if (const HRESULT result = OleInitialize(nullptr); FAILED(result)) {
        MessageWriter().write(unavailableLine(comFailure(result)));
        return 1;
    }
    int exitCode = 0;
    {
        Host host;
        exitCode = run(host);
    }
    OleUninitialize();
    return exitCode;
}
