#pragma once

#include "host_wire.h"
#include "wide_text.h"

#include <string>
#include <windows.h>

// Why a call into COM failed, as the program shows it: the HRESULT and a description.
struct ComFailure {
    HRESULT code = E_FAIL;
    std::wstring description;
};

// The system's own description of an HRESULT, with the file it names, if any, put in for "%1";
// empty where it has none.
std::wstring describe(HRESULT code, const std::wstring &file = {});

// "What failed." and the system's description of the code.
ComFailure comFailure(HRESULT code, const std::wstring &what = {});

// What went wrong in the last Windows call that failed, and why, even where the call left no
// error code behind.
ComFailure lastErrorFailure(const std::wstring &what);

// What a failed IDispatch::Invoke says: its exception, with deferred details filled in first, or
// else the error object the control set, if any.
ComFailure comFailure(HRESULT invokeResult, EXCEPINFO &exception, IErrorInfo *errorInfo);

inline HostWire::Failure wireFailure(const ComFailure &failure)
{
    return {static_cast<std::uint32_t>(failure.code), std::u16string(asUtf16(failure.description))};
}
