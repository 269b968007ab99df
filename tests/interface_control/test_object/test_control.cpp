// The test control: a COM object with the control's contract and verbs of its own that make
// it misbehave or report on demand. Every verb but those below is answered with one
// ActionEvent holding the verb, the text and the text's length exactly as they arrived.
//   fail     raises an exception whose description is the text
//   kinds    reports values of every VARIANT kind, and a Heartbeat event in between
//   threads  starts two threads that each report <text> numbered actions
//   hang     never returns
//   crash    ends the process at once
//   garbage  writes a line that is no message to standard output
// With KV27_TEST_CONTROL_HIDES_TYPES set in its environment it offers no class information,
// like controls without a type library, and lists its outgoing interface instead.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

const CLSID classId = {
    0x70712F9E, 0xDD5B, 0x4E20, {0x81, 0x6D, 0x72, 0xA1, 0xE0, 0x61, 0xAE, 0xDD}};
const IID eventsId = {0x36D909DA, 0x12EC, 0x4F88, {0xB8, 0x22, 0xCC, 0xEB, 0xC2, 0x68, 0x26, 0x1E}};
constexpr DISPID heartbeatId = 1;
constexpr DISPID actionEventId = 2;
constexpr HRESULT refusal = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);

HMODULE module = nullptr;

VARIANT text(const std::wstring &value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(value.data(), UINT(value.size()));
    return v;
}

template <typename T> VARIANT of(VARTYPE type, T value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    static_assert(sizeof(T) <= sizeof(v.llVal));
    std::memcpy(&v.llVal, &value, sizeof(T));
    return v;
}

VARIANT decimal(std::uint64_t digits, BYTE scale, bool negative)
{
    VARIANT v;
    VariantInit(&v);
    DECIMAL &d = V_DECIMAL(&v);
    d.Lo64 = digits;
    d.scale = scale;
    d.sign = negative ? DECIMAL_NEG : 0;
    V_VT(&v) = VT_DECIMAL; // after the fields: the type overlaps the decimal's reserved word
    return v;
}

// The sinks of ActionEvent's interface. Events may be raised from any thread.
class EventPoint : public IConnectionPoint {
public:
    explicit EventPoint(IConnectionPointContainer *owner)
        : m_owner(owner)
    {}
    ~EventPoint()
    {
        for (IDispatch *sink : m_sinks)
            sink->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
            *object = static_cast<IConnectionPoint *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_owner->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_owner->Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID *iid) override
    {
        *iid = eventsId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer **c) override
    {
        *c = m_owner;
        m_owner->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown *sink, DWORD *cookie) override
    {
        IDispatch *events = nullptr;
        if (FAILED(sink->QueryInterface(eventsId, reinterpret_cast<void **>(&events))))
            return CONNECT_E_CANNOTCONNECT;
        AcquireSRWLockExclusive(&m_lock);
        m_sinks.push_back(events);
        *cookie = DWORD(m_sinks.size());
        ReleaseSRWLockExclusive(&m_lock);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override
    {
        AcquireSRWLockExclusive(&m_lock);
        IDispatch *sink = nullptr;
        if (cookie >= 1 && cookie <= m_sinks.size())
            std::swap(sink, m_sinks[cookie - 1]);
        ReleaseSRWLockExclusive(&m_lock);
        if (!sink)
            return CONNECT_E_NOCONNECTION;
        sink->Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections **) override { return E_NOTIMPL; }

    // Takes the values in their order and clears them.
    void fire(DISPID event, std::vector<VARIANT> values)
    {
        std::vector<VARIANT> arguments(values.rbegin(), values.rend());
        DISPPARAMS parameters{arguments.data(), nullptr, UINT(arguments.size()), 0};
        AcquireSRWLockShared(&m_lock);
        for (IDispatch *sink : m_sinks)
            if (sink)
                sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                             nullptr, nullptr, nullptr);
        ReleaseSRWLockShared(&m_lock);
        for (VARIANT &value : values)
            VariantClear(&value);
    }

private:
    IConnectionPointContainer *m_owner;
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::vector<IDispatch *> m_sinks;
};

// Lists the one connection point.
class PointList : public IEnumConnectionPoints {
public:
    explicit PointList(IConnectionPoint *point)
        : m_point(point)
    {
        m_point->AddRef();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IEnumConnectionPoints) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = InterlockedDecrement(&m_references);
        if (left == 0) {
            m_point->Release();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint **points, ULONG *fetched) override
    {
        ULONG given = 0;
        if (count > 0 && !m_done) {
            points[given++] = m_point;
            m_point->AddRef();
            m_done = true;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        m_done = m_done || count > 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_done = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints **) override { return E_NOTIMPL; }

private:
    LONG m_references = 1;
    IConnectionPoint *m_point;
    bool m_done = false;
};

bool hidesTypes()
{
    return GetEnvironmentVariableW(L"KV27_TEST_CONTROL_HIDES_TYPES", nullptr, 0) > 0;
}

class TestControl : public IDispatch,
                    public IConnectionPointContainer,
                    public IProvideClassInfo,
                    public IOleObject {
public:
    ~TestControl()
    {
        for (HANDLE thread : m_threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        if (m_site)
            m_site->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            *object = static_cast<IDispatch *>(this);
        else if (iid == IID_IConnectionPointContainer)
            *object = static_cast<IConnectionPointContainer *>(this);
        else if (iid == IID_IProvideClassInfo && !hidesTypes())
            *object = static_cast<IProvideClassInfo *>(this);
        else if (iid == IID_IOleObject)
            *object = static_cast<IOleObject *>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *ids) override
    {
        if (count != 1 || lstrcmpiW(names[0], L"SendCommand") != 0)
            return DISP_E_UNKNOWNNAME;
        ids[0] = DISPID_VALUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags,
                                     DISPPARAMS *parameters, VARIANT *, EXCEPINFO *exception,
                                     UINT *) override
    {
        if (member != DISPID_VALUE || !(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (parameters->cArgs != 2 || parameters->cNamedArgs != 0)
            return DISP_E_BADPARAMCOUNT;
        const VARIANT &verb = parameters->rgvarg[1];
        const VARIANT &text = parameters->rgvarg[0];
        if (V_VT(&verb) != VT_BSTR || V_VT(&text) != VT_BSTR)
            return DISP_E_TYPEMISMATCH;
        const std::wstring verbText(V_BSTR(&verb), SysStringLen(V_BSTR(&verb)));
        const std::wstring textText(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
        if (!m_site)
            return raise(exception, L"The test control was never sited on a window.");
        return sendCommand(verbText, textText, exception);
    }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints **points) override
    {
        *points = new PointList(&m_events);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint **point) override
    {
        if (iid != eventsId) {
            *point = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        *point = &m_events;
        m_events.AddRef();
        return S_OK;
    }

    // IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo **info) override
    {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(module, path, MAX_PATH);
        ITypeLib *library = nullptr;
        HRESULT result = LoadTypeLibEx(path, REGKIND_NONE, &library);
        if (FAILED(result))
            return result;
        result = library->GetTypeInfoOfGuid(classId, info);
        library->Release();
        return result;
    }

    // IOleObject: only being sited matters.
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite *site) override
    {
        if (site)
            site->AddRef();
        if (m_site)
            m_site->Release();
        m_site = site;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite **site) override
    {
        *site = m_site;
        if (m_site)
            m_site->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject *, BOOL, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite *, LONG, HWND, LPCRECT) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID *id) override
    {
        *id = classId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL *size) override
    {
        *size = {1000, 1000};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink *, DWORD *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD *status) override
    {
        *status = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE *) override { return E_NOTIMPL; }

private:
    static HRESULT raise(EXCEPINFO *exception, const std::wstring &description)
    {
        if (exception) {
            *exception = {};
            exception->scode = refusal;
            exception->bstrSource = SysAllocString(L"KV27TestControl");
            exception->bstrDescription =
                SysAllocStringLen(description.data(), UINT(description.size()));
        }
        return DISP_E_EXCEPTION;
    }

    HRESULT sendCommand(const std::wstring &verb, const std::wstring &text, EXCEPINFO *exception)
    {
        if (verb == L"fail")
            return raise(exception, text);
        if (verb == L"hang")
            Sleep(INFINITE);
        if (verb == L"crash")
            TerminateProcess(GetCurrentProcess(), 3);
        if (verb == L"garbage") {
            DWORD written = 0;
            WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "not a message\n", 14, &written, nullptr);
            return S_OK;
        }
        if (verb == L"kinds") {
            reportEveryKind();
            return S_OK;
        }
        if (verb == L"threads") {
            startThreads(_wtoi(text.c_str()));
            return S_OK;
        }
        m_events.fire(actionEventId,
                      {this->text(verb), this->text(text), of(VT_I4, LONG(text.size())), VARIANT{},
                       VARIANT{}, VARIANT{}, VARIANT{}});
        return S_OK;
    }

    static VARIANT text(const std::wstring &value) { return ::text(value); }

    void reportEveryKind()
    {
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        constexpr double infinity = std::numeric_limits<double>::infinity();
        VARIANT null;
        VariantInit(&null);
        V_VT(&null) = VT_NULL;
        m_events.fire(actionEventId, {text(L"kinds"), VARIANT{}, null, of(VT_I1, CHAR(-8)),
                                      of(VT_I2, SHORT(-16000)), of(VT_I4, LONG(-2000000000)),
                                      of(VT_I8, std::numeric_limits<LONGLONG>::min())});
        m_events.fire(heartbeatId, {of(VT_I4, LONG(1))});
        m_events.fire(actionEventId,
                      {of(VT_UI1, BYTE(255)), of(VT_UI2, USHORT(65535)),
                       of(VT_UI4, ULONG(4294967295u)),
                       of(VT_UI8, std::numeric_limits<ULONGLONG>::max()), of(VT_INT, INT(-7)),
                       of(VT_UINT, UINT(7)), of(VT_UI8, ULONGLONG(42))});
        m_events.fire(actionEventId,
                      {of(VT_R4, 1.5f), of(VT_R8, -0.1), of(VT_R8, nan), of(VT_R8, -infinity),
                       of(VT_CY, LONGLONG(125000)), of(VT_CY, LONGLONG(-30000)),
                       decimal(12345678901234ull, 0, true)});

        static BSTR byReference = SysAllocString(L"by reference");
        static LONG wholeByReference = 99;
        VARIANT missing = of(VT_ERROR, SCODE(DISP_E_PARAMNOTFOUND));
        VARIANT textReference;
        VariantInit(&textReference);
        V_VT(&textReference) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&textReference) = &byReference;
        VARIANT wholeReference;
        VariantInit(&wholeReference);
        V_VT(&wholeReference) = VT_BYREF | VT_I4;
        V_I4REF(&wholeReference) = &wholeByReference;
        m_events.fire(actionEventId,
                      {decimal(125, 2, false), of(VT_BOOL, VARIANT_BOOL(VARIANT_TRUE)), missing,
                       textReference, wholeReference, text(L"\U0001D11E \u00C4rger\ttab"),
                       text(std::wstring(L"a\0b", 3))});

        VARIANT nullText;
        VariantInit(&nullText);
        V_VT(&nullText) = VT_BSTR;
        V_BSTR(&nullText) = nullptr;
        m_events.fire(actionEventId,
                      {text(std::wstring{L'x', wchar_t(0xD800), L'y'}), nullText, text(L""),
                       of(VT_R8, -0.0), text(L"\"quoted\" \\ and\r\nnew line"),
                       of(VT_R8, 0.1 + 0.2), of(VT_R8, 1e300)});
    }

    struct Run {
        TestControl *control;
        LONG thread;
        LONG count;
    };

    void startThreads(LONG count)
    {
        for (LONG thread = 1; thread <= 2; ++thread) {
            auto *run = new Run{this, thread, count};
            m_threads.push_back(CreateThread(nullptr, 0, &TestControl::report, run, 0, nullptr));
        }
    }

    // Reports straight from the worker thread, as many controls do.
    static DWORD WINAPI report(void *argument)
    {
        const Run run = *static_cast<Run *>(argument);
        delete static_cast<Run *>(argument);
        for (LONG i = 1; i <= run.count; ++i)
            run.control->m_events.fire(actionEventId,
                                       {text(L"thread"), of(VT_I4, run.thread), of(VT_I4, i),
                                        VARIANT{}, VARIANT{}, VARIANT{}, VARIANT{}});
        return 0;
    }

    LONG m_references = 1;
    EventPoint m_events{this};
    IOleClientSite *m_site = nullptr;
    std::vector<HANDLE> m_threads;
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto *control = new TestControl;
        const HRESULT result = control->QueryInterface(iid, object);
        control->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void *)
{
    if (reason == DLL_PROCESS_ATTACH)
        module = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID id, REFIID iid, void **object)
{
    if (id != classId)
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}
