#pragma once

// What the test control needs of COM around it: the class object and the exports that make the
// DLL an in-process server, registration as regsvr32 does it, the values its events carry, error
// objects, and the switches the tests set in its environment. The control's source includes
// this once and defines serverClassId, serverMiscStatus and createControl().

#include <cstring>
#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <tuple>
#include <windows.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

extern const CLSID serverClassId;
// The status the control registers, for containers that are told to read it there.
extern const DWORD serverMiscStatus;
// A new control, holding one reference.
IUnknown *createControl();

inline HMODULE module = nullptr;
inline constexpr wchar_t serverProgId[] = L"HearthwickScriptLibCtl.Hearthwick";

inline std::wstring modulePath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

inline std::wstring environment(const wchar_t *name)
{
    wchar_t value[MAX_PATH] = L"";
    GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
}

// KV27_TEST_CONTROL_VARIANT holds the variants a test asks for, separated by commas.
inline bool isVariant(const wchar_t *name)
{
    const std::wstring variants = L"," + environment(L"KV27_TEST_CONTROL_VARIANT") + L",";
    return variants.find(L"," + std::wstring(name) + L",") != std::wstring::npos;
}

// Tells the test that the control was let go, by creating the file KV27_TEST_CONTROL_RELEASED
// names, if any.
inline void announceRelease()
{
    if (const std::wstring released = environment(L"KV27_TEST_CONTROL_RELEASED"); !released.empty())
        CloseHandle(
            CreateFileW(released.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

template <typename T> VARIANT of(VARTYPE type, T value)
{
    VARIANT v{};
    V_VT(&v) = type;
    static_assert(sizeof(T) <= sizeof(v.llVal));
    std::memcpy(&v.llVal, &value, sizeof(T));
    return v;
}

inline VARIANT text(const std::wstring &value)
{
    return of(VT_BSTR, SysAllocStringLen(value.data(), UINT(value.size())));
}

inline VARIANT decimal(ULONG high, ULONGLONG low, BYTE scale, BYTE sign)
{
    VARIANT v{};
    V_DECIMAL(&v).Hi32 = high;
    V_DECIMAL(&v).Lo64 = low;
    V_DECIMAL(&v).scale = scale;
    V_DECIMAL(&v).sign = sign;
    V_VT(&v) = VT_DECIMAL; // after the fields: the type overlaps the decimal's reserved word
    return v;
}

// Sets the thread's error object, as a control describes a failure that way.
inline HRESULT failWith(const wchar_t *description)
{
    ICreateErrorInfo *created = nullptr;
    IErrorInfo *info = nullptr;
    CreateErrorInfo(&created);
    created->SetSource(const_cast<LPOLESTR>(L"Strict control"));
    created->SetDescription(const_cast<LPOLESTR>(description));
    created->QueryInterface(IID_PPV_ARGS(&info));
    SetErrorInfo(0, info);
    info->Release();
    created->Release();
    return E_FAIL;
}

// Runs a message loop of the control's own for a while, as a control showing a box does; like a
// box's, it ends at WM_QUIT and posts that again for the loop it runs inside.
inline void pumpMessages(DWORD milliseconds)
{
    for (const ULONGLONG end = GetTickCount64() + milliseconds; GetTickCount64() < end;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return PostQuitMessage(int(message.wParam));
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// What the control answers for the parts of IOleObject and IPersistStreamInit that no container
// here relies on: nothing is saved or loaded, nothing linked, no verbs listed. The control adds
// its own class, siting, activation and closing.
class OleObjectBasics : public IOleObject {
public:
    STDMETHODIMP GetExtent(DWORD, SIZEL *size) override { return *size = {1000, 1000}, S_OK; }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP SetExtent(DWORD, SIZEL *) override { return S_OK; }
    STDMETHODIMP SetMoniker(DWORD, IMoniker *) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker **) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject *, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject **) override { return E_NOTIMPL; }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB **) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR *) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink *, DWORD *) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA **) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorScheme(LOGPALETTE *) override { return E_NOTIMPL; }
};

class NewOnlyPersistence : public IPersistStreamInit {
public:
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream *) override { return E_NOTIMPL; }
    STDMETHODIMP Save(IStream *, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER *) override { return E_NOTIMPL; }
};

// Lives as long as the DLL, so counts no references.
class ClassObject : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return *object = nullptr, E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        if (outer)
            return *object = nullptr, CLASS_E_NOAGGREGATION;
        IUnknown *control = createControl();
        const HRESULT result = control->QueryInterface(iid, object);
        control->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

inline ClassObject classObject;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void *)
{
    if (reason == DLL_PROCESS_ATTACH)
        module = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID id, REFIID iid, void **object)
{
    return id == serverClassId ? classObject.QueryInterface(iid, object)
                               : CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}

inline std::wstring guidText(const GUID &guid)
{
    wchar_t written[40];
    StringFromGUID2(guid, written, 40);
    return written;
}

inline HRESULT setValue(const std::wstring &key, const wchar_t *name, const std::wstring &value)
{
    return HRESULT_FROM_WIN32(RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ,
                                              value.c_str(),
                                              DWORD((value.size() + 1) * sizeof(wchar_t))));
}

// What identifies the control's type library, loaded as it asks.
inline HRESULT libraryAttributes(REGKIND kind, TLIBATTR &attributes)
{
    ComPtr<ITypeLib> library;
    if (const HRESULT result = LoadTypeLibEx(modulePath().c_str(), kind, &library); FAILED(result))
        return result;
    TLIBATTR *read = nullptr;
    library->GetLibAttr(&read);
    attributes = *read;
    library->ReleaseTLibAttr(read);
    return S_OK;
}

// As an installer's regsvr32 registers a control: its class, in the registry view of its own
// bitness, its programmatic identifier and its type library.
STDAPI DllRegisterServer()
{
    TLIBATTR library{};
    if (const HRESULT result = libraryAttributes(REGKIND_REGISTER, library); FAILED(result))
        return result;
    const std::wstring classKey = L"CLSID\\" + guidText(serverClassId);
    for (const auto &[key, name, value] : {
             std::tuple<std::wstring, const wchar_t *, std::wstring>{classKey, nullptr,
                                                                     L"KV27 test control"},
             {classKey + L"\\InprocServer32", nullptr, modulePath()},
             {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
             {classKey + L"\\ProgID", nullptr, serverProgId},
             {classKey + L"\\TypeLib", nullptr, guidText(library.guid)},
             {classKey + L"\\Control", nullptr, L""},
             {classKey + L"\\MiscStatus", nullptr, std::to_wstring(serverMiscStatus)},
             {std::wstring(serverProgId) + L"\\CLSID", nullptr, guidText(serverClassId)},
         })
        if (const HRESULT result = setValue(key, name, value); FAILED(result))
            return result;
    return S_OK;
}

STDAPI DllUnregisterServer()
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + guidText(serverClassId)).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, serverProgId);
    if (TLIBATTR a{}; SUCCEEDED(libraryAttributes(REGKIND_NONE, a)))
        UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
    return S_OK;
}
