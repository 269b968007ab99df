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
    return text.empty() ? L"The system has no description for this error." : text;
}

ComFailure comFailure(HRESULT code)
{
    return {code, describe(code)};
}

ComFailure comFailure(HRESULT invokeResult, EXCEPINFO &exception)
{
    if (invokeResult != DISP_E_EXCEPTION)
        return comFailure(invokeResult);
    if (exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);

    ComFailure failure;
    failure.code = exception.scode   ? exception.scode
                   : exception.wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, exception.wCode)
                                     : invokeResult;
    if (exception.bstrDescription)
        failure.description.assign(exception.bstrDescription,
                                   SysStringLen(exception.bstrDescription));
    if (failure.description.empty())
        failure.description = describe(failure.code);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    exception = {};
    return failure;
}
