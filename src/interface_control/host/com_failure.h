#pragma once

#include "host_wire.h"

#include <string>
#include <string_view>
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

// The same texts as the wire takes them: on Windows a wide character is a UTF-16 code unit.
inline std::u16string_view asUtf16(std::wstring_view text)
{
    return {reinterpret_cast<const char16_t *>(text.data()), text.size()};
}

inline std::wstring asWide(std::u16string_view text)
{
    return {reinterpret_cast<const wchar_t *>(text.data()), text.size()};
}

inline HostWire::Failure wireFailure(const ComFailure &failure)
{
    return {static_cast<std::uint32_t>(failure.code), std::u16string(asUtf16(failure.description))};
}
