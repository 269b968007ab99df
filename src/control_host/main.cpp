// kv27-control-host: hosts the device's scripting control in a process of the control's own
// bitness and speaks for it to the exerciser over standard input and output (see control_wire.h).
// It ends when its input closes, when its window is closed, or when the session ends.
//   kv27-control-host [--owner <window>]
// The owner is the program's window, as a number, in front of which the control's own windows go.

#include "control_host.h"

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <io.h>
#include <ole2.h>
#include <windows.h>

namespace {

constexpr wchar_t programmaticId[] = L"HearthwickScriptLibCtl.Hearthwick";

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

HWND ownerFrom(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--owner") == 0)
            return reinterpret_cast<HWND>(UINT_PTR(std::strtoull(argv[i + 1], nullptr, 10)));
    return nullptr;
}

// Controls built with the tools of the 32-bit days computed under the x87 precision that their
// hosts set, 53 bits (double); this runtime starts with 64, which changes their rounding.
void useTheX87PrecisionOfOlderHosts()
{
#if defined(__i386__) || defined(_M_IX86)
    unsigned int control = 0;
    _controlfp_s(&control, _PC_53, _MCW_PC);
#endif
}

} // namespace

int main(int argc, char **argv)
{
    useTheX87PrecisionOfOlderHosts();
    MessageWriter writer(keepProtocolOutput());
    if (const HRESULT result = OleInitialize(nullptr); FAILED(result)) {
        writer.write(HostWire::unavailableLine(wireFailure(comFailure(result))));
        return 1;
    }
    int exitCode = 0;
    {
        ControlHost host(writer, ownerFrom(argc, argv));
        exitCode = host.run(programmaticId);
    }
    OleUninitialize();
    return exitCode;
}
