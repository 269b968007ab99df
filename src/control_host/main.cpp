// kv27-control-host: hosts the device's scripting control in a process of the control's own
// bitness and speaks for it to the exerciser over standard input and output (see control_wire.h).
// It ends when its input closes, when its window is closed, or when the session ends. It is a
// program of the Windows subsystem: no console is shared with it, so nothing but the program
// ends it behind its back, and a crash ends it at once, with the fault's code as its exit code.
//   kv27-control-host [--owner <window>]
// The owner is the program's window, as a number, in front of which the control's own windows go.

#include "control_contract.h"
#include "control_host.h"
#include "standard_handles.h"
#include "wide_text.h"

#include <cfloat>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ole2.h>
#include <windows.h>

namespace {

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

// Rather than under the system's error report, where the program could only tell that the host
// stopped answering.
LONG WINAPI endAtOnce(EXCEPTION_POINTERS *fault)
{
    TerminateProcess(GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

void endAtOnceOnAnyCrash()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endAtOnce);
    // The runtime's abort, as a control's runtime may call it, ends with its usual code, 3.
    std::signal(SIGABRT, [](int) { TerminateProcess(GetCurrentProcess(), 3); });
}

} // namespace

int main(int argc, char **argv)
{
    endAtOnceOnAnyCrash();
    useTheX87PrecisionOfOlderHosts();
    MessageWriter writer(takeStandardOutput());
    if (const HRESULT result = OleInitialize(nullptr); FAILED(result)) {
        writer.write(HostWire::unavailableLine(wireFailure(comFailure(result))));
        return 1;
    }
    int exitCode = 0;
    {
        ControlHost host(writer, ownerFrom(argc, argv));
        exitCode = host.run(asWide(ControlContract::programmaticId).c_str());
    }
    OleUninitialize();
    return exitCode;
}
