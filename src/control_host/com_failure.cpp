#include "com_failure.h"

#include <cwctype>

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

std::wstring joined(const std::wstring &first, const std::wstring &second)
{
    return first.empty() || second.empty() ? first + second : first + L" " + second;
}

// Codes of the interface facility mean what the interface that gave them says they mean; the
// system's text for the same number belongs to some other interface and would mislead.
std::wstring describeControlCode(HRESULT code)
{
    if (HRESULT_FACILITY(code) == FACILITY_ITF)
        return L"The control failed with an error code of its own and gave no description.";
    const std::wstring system = describe(code);
    return system.empty() ? L"The control failed and gave no description." : system;
}

} // namespace

std::wstring describe(HRESULT code, const std::wstring &file)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && std::iswspace(text.back()))
        text.pop_back();
    // Such texts name the file the failing call was given, which only the caller knows.
    for (std::size_t at; (at = text.find(L"%1")) != std::wstring::npos;)
        text.replace(at, 2, file.empty() ? L"The file" : L"\"" + file + L"\"");
    return text;
}

ComFailure comFailure(HRESULT code, const std::wstring &what)
{
    return {code, joined(what, describe(code))};
}

ComFailure lastErrorFailure(const std::wstring &what)
{
    if (const DWORD error = GetLastError(); error != ERROR_SUCCESS)
        return comFailure(HRESULT_FROM_WIN32(error), what);
    return {E_FAIL, joined(what, L"The system gave no reason.")};
}

ComFailure comFailure(HRESULT invokeResult, EXCEPINFO &exception, IErrorInfo *errorInfo)
{
    if (invokeResult != DISP_E_EXCEPTION) {
        ComFailure failure{invokeResult, describeControlCode(invokeResult)};
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
        failure.description = describeControlCode(failure.code);
    failure.description = fromSource(text(exception.bstrSource), failure.description);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    exception = {};
    return failure;
}
