#include "control_container.h"

#include "control_contract.h"
#include "registration.h"
#include "wide_text.h"

#include <ocidl.h>
#include <string_view>

namespace {

// What the control says of itself, in the system's registry where it says to look there.
DWORD miscStatusOf(IOleObject *object, const CLSID &classId)
{
    DWORD status = 0;
    const HRESULT result = object->GetMiscStatus(DVASPECT_CONTENT, &status);
    if (result == OLE_S_USEREG && FAILED(OleRegGetMiscStatus(classId, DVASPECT_CONTENT, &status)))
        return 0;
    return SUCCEEDED(result) ? status : 0;
}

// The interface behind the control's dispatch, as its type information names it.
std::optional<IID> describedInterface(IDispatch *dispatch)
{
    Microsoft::WRL::ComPtr<ITypeInfo> info;
    TYPEATTR *attributes = nullptr;
    UINT count = 0;
    if (FAILED(dispatch->GetTypeInfoCount(&count)) || count == 0 ||
        FAILED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) ||
        FAILED(info->GetTypeAttr(&attributes)))
        return std::nullopt;
    const IID described = attributes->guid;
    info->ReleaseTypeAttr(attributes);
    return described;
}

// A control that no saved state is loaded into starts from its defaults, which it sets up when
// told so through whichever persistence interface it offers; a control that cannot is not
// available.
HRESULT initialise(IUnknown *control)
{
    using Microsoft::WRL::ComPtr;
    if (ComPtr<IPersistStreamInit> stream;
        SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&stream))))
        return stream->InitNew();
    if (ComPtr<IPersistPropertyBag> bag; SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&bag))))
        return bag->InitNew();
    ComPtr<IPersistStorage> persisted;
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&persisted))))
        return S_OK;
    ComPtr<ILockBytes> bytes;
    ComPtr<IStorage> storage;
    if (const HRESULT result = CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes); FAILED(result))
        return result;
    if (const HRESULT result = StgCreateDocfileOnILockBytes(
            bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
        FAILED(result))
        return result;
    return persisted->InitNew(storage.Get());
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

ControlContainer::ControlContainer(std::function<void(bool)> onModeless)
    : m_onModeless(std::move(onModeless))
{}

ControlContainer::~ControlContainer()
{
    close();
}

// As standard containers do: the control is created from its class, given its site before or
// after it is initialised as a new control, as it asks, and then activated in place.
std::optional<ComFailure> ControlContainer::create(HWND parent, const wchar_t *programmaticId)
{
    const std::wstring name = std::wstring(L"The control \"") + programmaticId + L"\"";
    if (const HRESULT result = CLSIDFromProgID(programmaticId, &m_classId); FAILED(result))
        return whyNotCreated(name, programmaticId, nullptr, result);
    // A class that another emulates is that other wherever it is looked up, as COM creates it.
    if (CLSID emulating; CoGetTreatAsClass(m_classId, &emulating) == S_OK)
        m_classId = emulating;
    if (const HRESULT result =
            CoCreateInstance(m_classId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_control));
        FAILED(result))
        return whyNotCreated(name, programmaticId, &m_classId, result);

    m_window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 32, 32, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
        return lastErrorFailure(L"The control's window could not be made.");
    // A plain automation object has no site to be given.
    m_control.As(&m_object);
    const bool siteFirst =
        m_object && (miscStatusOf(m_object.Get(), m_classId) & OLEMISC_SETCLIENTSITEFIRST);
    m_site.Attach(new ClientSite(m_window, asWide(ControlContract::controlName), m_onModeless));
    if (m_object && siteFirst)
        if (const HRESULT result = m_object->SetClientSite(m_site.Get()); FAILED(result))
            return comFailure(result, name + L" could not be sited on a window.");
    if (const HRESULT result = initialise(m_control.Get()); FAILED(result))
        return comFailure(result, name + L" could not be initialised.");
    if (m_object && !siteFirst)
        if (const HRESULT result = m_object->SetClientSite(m_site.Get()); FAILED(result))
            return comFailure(result, name + L" could not be sited on a window.");
    if (m_object) {
        m_object->SetHostNames(asWide(ControlContract::programName).c_str(), nullptr);
        // Controls that cannot be activated in place, or need not be, still take commands.
        RECT position;
        GetClientRect(m_window, &position);
        m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site.Get(), 0, m_window, &position);
    }
    if (const HRESULT result = m_control.As(&m_dispatch); FAILED(result))
        return comFailure(result, name + L" cannot be called late-bound.");
    m_errorInterfaces = {IID_IDispatch};
    if (const auto described = describedInterface(m_dispatch.Get()))
        m_errorInterfaces.push_back(*described);
    return std::nullopt;
}

std::optional<ComFailure> ControlContainer::sendCommand(const std::wstring &verb,
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

    // As late binding calls a default member: a method, or else a property that takes arguments.
    HRESULT outcome = DISP_E_MEMBERNOTFOUND;
    EXCEPINFO exception{};
    for (const WORD kind : {WORD(DISPATCH_METHOD), WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
        VARIANT result;
        VariantInit(&result);
        UINT wrongArgument = 0;
        SetErrorInfo(0, nullptr);
        outcome = m_dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                                     &result, &exception, &wrongArgument);
        VariantClear(&result);
        if (outcome != DISP_E_MEMBERNOTFOUND)
            break;
    }
    if (FAILED(outcome))
        return comFailure(outcome, exception, controlErrorInfo().Get());
    return std::nullopt;
}

// What the control said of its failure through the error object, if it says it does.
Microsoft::WRL::ComPtr<IErrorInfo> ControlContainer::controlErrorInfo() const
{
    Microsoft::WRL::ComPtr<ISupportErrorInfo> supports;
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    if (FAILED(m_control.As(&supports)))
        return nullptr;
    // Frameworks answer for the interface the control declares, which the call went through
    // whatever the caller asked for.
    for (const IID &called : m_errorInterfaces)
        if (supports->InterfaceSupportsErrorInfo(called) == S_OK)
            return GetErrorInfo(0, &info) == S_OK ? info : nullptr;
    return nullptr;
}

bool ControlContainer::takesKey(MSG &message) const
{
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)
        return false;
    if (m_site && m_site->offerKey(message))
        return true;
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    wchar_t kind[16] = L"";
    // The class of dialog boxes, modeless ones included.
    return root && GetClassNameW(root, kind, 16) && std::wstring_view(kind) == L"#32770" &&
           IsDialogMessageW(root, &message);
}

// The control is deactivated, closed and unsited before it is let go, as containers do.
void ControlContainer::close()
{
    m_dispatch.Reset();
    if (m_object) {
        if (Microsoft::WRL::ComPtr<IOleInPlaceObject> inPlace; SUCCEEDED(m_object.As(&inPlace)))
            inPlace->InPlaceDeactivate();
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
        m_object.Reset();
    }
    m_control.Reset();
    // A control that keeps its site past its close would otherwise be kept alive by it.
    if (m_site)
        m_site->SetActiveObject(nullptr, nullptr);
    m_site.Reset();
    if (m_window)
        DestroyWindow(m_window);
    m_window = nullptr;
}
