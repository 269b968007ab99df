#include "standard_handles.h"

#include <cstdio>
#include <io.h>

namespace {

HANDLE ownCopy(DWORD which)
{
    const HANDLE original = GetStdHandle(which);
    HANDLE own = INVALID_HANDLE_VALUE;
    const HANDLE process = GetCurrentProcess();
    if (!DuplicateHandle(process, original, process, &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return original;
    // Where the runtime does not close it below, no program started from here gets it either.
    SetHandleInformation(original, HANDLE_FLAG_INHERIT, 0);
    return own;
}

} // namespace

HANDLE takeStandardInput()
{
    const HANDLE own = ownCopy(STD_INPUT_HANDLE);
    std::freopen("NUL", "r", stdin);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    SetStdHandle(STD_INPUT_HANDLE,
                 CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             OPEN_EXISTING, 0, nullptr));
    return own;
}

HANDLE takeStandardOutput()
{
    const HANDLE own = ownCopy(STD_OUTPUT_HANDLE);
    std::fflush(stdout);
    if (_dup2(_fileno(stderr), _fileno(stdout)) != 0)
        _close(_fileno(stdout));
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    return own;
}
