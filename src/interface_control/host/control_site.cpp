#include "control_site.h"

namespace {

using AttachControl = HRESULT(WINAPI *)(IUnknown *control, HWND window, IUnknown **container);

// The system's ATL control host, present in both bitnesses of every Windows and in wine; from
// the system folder only, never a DLL of that name beside the host or in the current folder.
AttachControl atlAttachControl()
{
    static const HMODULE atl = LoadLibraryExW(L"atl.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return atl ? reinterpret_cast<AttachControl>(
                     reinterpret_cast<void *>(GetProcAddress(atl, "AtlAxAttachControl")))
               : nullptr;
}

ComFailure failure(HRESULT code, const std::wstring &what)
{
    return {code, what + L" " + describe(code)};
}

struct Bstr {
    explicit Bstr(const std::wstring &text)
        : value(SysAllocStringLen(text.data(), UINT(text.size())))
    {}
    ~Bstr() { SysFreeString(value); }
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;

    BSTR value;
};

} // namespace

ControlSite::~ControlSite()
{
    close();
}

std::optional<ComFailure> ControlSite::create(HWND parent, const wchar_t *programmaticId)
{
    const std::wstring name = std::wstring(L"The control \"") + programmaticId + L"\"";
    CLSID classId;
    if (const HRESULT result = CLSIDFromProgID(programmaticId, &classId); FAILED(result))
        return failure(result, name + L" is not installed or not registered.");
    if (const HRESULT result =
            CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_control));
        FAILED(result))
        return failure(result, name + L" could not be created.");
    if (const HRESULT result = m_control.As(&m_dispatch); FAILED(result))
        return failure(result, name + L" cannot be called late-bound.");

    m_window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 32, 32, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
        return failure(HRESULT_FROM_WIN32(GetLastError()), L"The control's window failed.");
    const AttachControl attach = atlAttachControl();
    if (!attach)
        return failure(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND),
                       L"The system's control host atl.dll is missing.");
    if (const HRESULT result = attach(m_control.Get(), m_window, &m_container); FAILED(result))
        return failure(result, name + L" could not be sited on a window.");
    return std::nullopt;
}

std::optional<ComFailure> ControlSite::sendCommand(const std::wstring &verb,
                                                   const std::wstring &text)
{
    Bstr verbString(verb);
    Bstr textString(text);
    if ((!verbString.value && !verb.empty()) || (!textString.value && !text.empty()))
        return ComFailure{E_OUTOFMEMORY, describe(E_OUTOFMEMORY)};

    // Arguments go last first.
    VARIANTARG arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    V_VT(&arguments[0]) = VT_BSTR;
    V_BSTR(&arguments[0]) = textString.value;
    V_VT(&arguments[1]) = VT_BSTR;
    V_BSTR(&arguments[1]) = verbString.value;
    DISPPARAMS parameters{arguments, nullptr, 2, 0};

    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT wrongArgument = 0;
    const HRESULT outcome =
        m_dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                           &parameters, &result, &exception, &wrongArgument);
    VariantClear(&result);
    if (FAILED(outcome))
        return comFailure(outcome, exception);
    return std::nullopt;
}

void ControlSite::close()
{
    m_dispatch.Reset();
    m_container.Reset();
    m_control.Reset();
    if (m_window)
        DestroyWindow(m_window);
    m_window = nullptr;
}
