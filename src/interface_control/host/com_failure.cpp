#include "com_failure.h"

#include <cwctype>

std::wstring describe(HRESULT code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && std::iswspace(text.back()))
        text.pop_back();
    return text;
}

ComFailure comFailure(HRESULT code)
{
    return {code, describe(code)};
}

namespace {

std::wstring text(BSTR value)
{
    return value ? std::wstring(value, SysStringLen(value)) : std::wstring();
}

// "Source: description", or whichever of the two there is.
std::wstring fromSource(const std::wstring &source, const std::wstring &description)
{
    if (source.empty() || description.empty())
        return source + description;
    return source + L": " + description;
}

} // namespace

ComFailure comFailure(HRESULT invokeResult, EXCEPINFO &exception, IErrorInfo *errorInfo)
{
    if (invokeResult != DISP_E_EXCEPTION) {
        ComFailure failure = comFailure(invokeResult);
        BSTR source = nullptr;
        BSTR description = nullptr;
        if (errorInfo && SUCCEEDED(errorInfo->GetDescription(&description)) &&
            SysStringLen(description) > 0) {
            errorInfo->GetSource(&source);
            failure.description = fromSource(text(source), text(description));
        }
        SysFreeString(source);
        SysFreeString(description);
        return failure;
    }
    if (exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);

    ComFailure failure;
    // A control that gives only its own error number follows the convention of numbering
    // from 0x200 in the interface facility.
    failure.code = exception.scode ? exception.scode
                   : exception.wCode
                       ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + exception.wCode)
                       : invokeResult;
    failure.description = text(exception.bstrDescription);
    if (failure.description.empty())
        failure.description = describe(failure.code);
    failure.description = fromSource(text(exception.bstrSource), failure.description);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    exception = {};
    return failure;
}
