// The test control: a COM object with the control's contract and verbs of its own that make
// it misbehave or report on demand. Every other verb is answered with a Heartbeat event and one
// ActionEvent holding the verb, the text and the text's length exactly as they arrived.
//   fail     raises an exception whose description is the text
//   kinds    reports values of every VARIANT kind
//   threads  starts two threads that each report <text> numbered actions
//   hang     never returns
//   crash    ends the process at once
//   print    first prints to standard output, as careless controls do
//   failcode raises an exception with only its own error number, the text, and a source
//   errorinfo fails with E_FAIL, describing why through the error object
//   pumpclose asks the host's window to close and runs a message loop of its own for a second,
//            as a control showing a message box does; let go meanwhile, it ends the process
//   values   reports a single-precision number, an error value, an object and a list
//   close    asks the host's window to close, as a user or a tool might
//   logoff   ends the session for the host's window, as the system does at log-off
// KV27_TEST_CONTROL_VARIANT in its environment makes it a control whose class information is
// "hidden", or "unnamed" (it names no event interface), or that is "deaf" to every event sink,
// or "slow" to be created (five seconds), or whose default member is a "property", or that
// fails to initialise ("uninitialisable"). It takes no command before it was initialised as a
// new control, and none before it was sited.
// When it is let go it creates the file KV27_TEST_CONTROL_RELEASED names, if any.

#include "com_support.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

namespace {

const CLSID classId = {
    0x70712F9E, 0xDD5B, 0x4E20, {0x81, 0x6D, 0x72, 0xA1, 0xE0, 0x61, 0xAE, 0xDD}};
const CLSID unnamedClassId = {
    0x0B4E6C41, 0x7F5A, 0x4C3E, {0x9D, 0x27, 0x51, 0x8A, 0x3C, 0x64, 0xE2, 0x19}};
const IID interfaceId = {
    0x4BA7D5B5, 0x18BB, 0x41D0, {0x8C, 0x15, 0x85, 0x62, 0xEF, 0xE2, 0xE5, 0x34}};
const IID eventsId = {0x36D909DA, 0x12EC, 0x4F88, {0xB8, 0x22, 0xCC, 0xEB, 0xC2, 0x68, 0x26, 0x1E}};
constexpr DISPID heartbeatId = 1;
constexpr DISPID actionEventId = 2;

// The outgoing interface for property changes that most controls offer: not a dispatch
// interface, so a sink that is one must never be handed to it.
class PropertyNotifications : public IConnectionPoint {
public:
    explicit PropertyNotifications(IConnectionPointContainer *container)
        : m_container(container)
    {}

    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (iid != IID_IUnknown && iid != IID_IConnectionPoint)
            return *object = nullptr, E_NOINTERFACE;
        *object = this;
        return AddRef(), S_OK;
    }
    // Lives as long as its control.
    STDMETHODIMP_(ULONG) AddRef() override { return m_container->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_container->Release(); }

    STDMETHODIMP GetConnectionInterface(IID *iid) override
    {
        return *iid = IID_IPropertyNotifySink, S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer **container) override
    {
        *container = m_container;
        return m_container->AddRef(), S_OK;
    }
    STDMETHODIMP Advise(IUnknown *sink, DWORD *cookie) override
    {
        IPropertyNotifySink *notified = nullptr;
        if (FAILED(sink->QueryInterface(IID_PPV_ARGS(&notified))))
            return CONNECT_E_CANNOTCONNECT;
        m_sinks.push_back(notified);
        *cookie = DWORD(m_sinks.size());
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override
    {
        if (cookie < 1 || cookie > m_sinks.size() || !m_sinks[cookie - 1])
            return CONNECT_E_NOCONNECTION;
        std::exchange(m_sinks[cookie - 1], nullptr)->Release();
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections **) override { return E_NOTIMPL; }

    void changed()
    {
        for (IPropertyNotifySink *sink : m_sinks)
            if (sink)
                sink->OnChanged(DISPID_UNKNOWN);
    }

private:
    IConnectionPointContainer *m_container;
    std::vector<IPropertyNotifySink *> m_sinks;
};

// The control is its own connection point for its events, and the list of its two connection
// points.
class TestControl : public IDispatch,
                    public IConnectionPointContainer,
                    public IConnectionPoint,
                    public IEnumConnectionPoints,
                    public IProvideClassInfo,
                    public OleObjectBasics,
                    public ISupportErrorInfo,
                    public NewOnlyPersistence {
public:
    ~TestControl()
    {
        if (m_busy)
            TerminateProcess(GetCurrentProcess(), 5);
        for (HANDLE thread : m_threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        for (IDispatch *sink : m_sinks)
            if (sink)
                sink->Release();
        announceRelease();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            *object = static_cast<IDispatch *>(this);
        else if (iid == IID_IConnectionPointContainer)
            *object = static_cast<IConnectionPointContainer *>(this);
        else if (iid == IID_IProvideClassInfo && !isVariant(L"hidden"))
            *object = static_cast<IProvideClassInfo *>(this);
        else if (iid == IID_IOleObject)
            *object = static_cast<IOleObject *>(this);
        else if (iid == IID_ISupportErrorInfo)
            *object = static_cast<ISupportErrorInfo *>(this);
        else if (iid == IID_IPersistStreamInit || iid == IID_IPersist)
            *object = static_cast<IPersistStreamInit *>(this);
        else
            return *object = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_references); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch: only the default method, called late-bound.
    STDMETHODIMP GetTypeInfoCount(UINT *count) override { return *count = 1, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo **info) override
    {
        return index == 0 ? ownTypeInfo(interfaceId, info) : (*info = nullptr, DISP_E_BADINDEX);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS *parameters, VARIANT *,
                        EXCEPINFO *exception, UINT *) override
    {
        // Exactly the default method with two strings, as the control's contract has it.
        const VARIANT *arguments = parameters->rgvarg;
        const bool property = isVariant(L"property");
        if (member != DISPID_VALUE ||
            !(flags & (property ? DISPATCH_PROPERTYGET : DISPATCH_METHOD)) ||
            parameters->cArgs != 2 || parameters->cNamedArgs != 0 ||
            V_VT(&arguments[0]) != VT_BSTR || V_VT(&arguments[1]) != VT_BSTR)
            return DISP_E_MEMBERNOTFOUND;
        if (!m_initialised)
            return raise(exception, L"The test control was never initialised.");
        if (!m_sited)
            return raise(exception, L"The test control was never sited on a window.");
        return sendCommand(std::wstring(V_BSTR(&arguments[1]), SysStringLen(V_BSTR(&arguments[1]))),
                           std::wstring(V_BSTR(&arguments[0]), SysStringLen(V_BSTR(&arguments[0]))),
                           exception);
    }

    // IPersistStreamInit: a new control only; nothing is saved.
    STDMETHODIMP GetClassID(CLSID *id) override { return *id = classId, S_OK; }
    STDMETHODIMP InitNew() override
    {
        if (isVariant(L"uninitialisable"))
            return E_OUTOFMEMORY;
        if (m_initialised)
            return E_UNEXPECTED;
        return m_initialised = true, S_OK;
    }

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override
    {
        return iid == IID_IDispatch ? S_OK : S_FALSE;
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints **points) override
    {
        m_listed = 0;
        *points = this;
        return AddRef(), S_OK;
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint **point) override
    {
        if (iid == IID_IPropertyNotifySink)
            return m_propertyNotifications.QueryInterface(IID_PPV_ARGS(point));
        if (iid != eventsId)
            return *point = nullptr, CONNECT_E_NOCONNECTION;
        *point = this;
        return AddRef(), S_OK;
    }

    // IEnumConnectionPoints
    STDMETHODIMP Next(ULONG count, IConnectionPoint **points, ULONG *fetched) override
    {
        // The property notifications first, as a control's framework may list them.
        IConnectionPoint *const all[] = {&m_propertyNotifications, this};
        ULONG given = 0;
        for (; given < count && m_listed < std::size(all); ++given, ++m_listed)
            points[given] = all[m_listed], points[given]->AddRef();
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override { return m_listed += count, S_OK; }
    STDMETHODIMP Reset() override { return m_listed = 0, S_OK; }
    STDMETHODIMP Clone(IEnumConnectionPoints **) override { return E_NOTIMPL; }

    // IConnectionPoint. Events may be raised from any thread.
    STDMETHODIMP GetConnectionInterface(IID *iid) override { return *iid = eventsId, S_OK; }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer **container) override
    {
        *container = this;
        return AddRef(), S_OK;
    }
    STDMETHODIMP Advise(IUnknown *sink, DWORD *cookie) override
    {
        IDispatch *events = nullptr;
        if (isVariant(L"deaf") ||
            FAILED(sink->QueryInterface(eventsId, reinterpret_cast<void **>(&events))))
            return CONNECT_E_CANNOTCONNECT;
        AcquireSRWLockExclusive(&m_lock);
        m_sinks.push_back(events);
        *cookie = DWORD(m_sinks.size());
        ReleaseSRWLockExclusive(&m_lock);
        return S_OK;
    }
    // IOleObject's Advise takes no sink, so every cookie is one of the connection point's.
    STDMETHODIMP Unadvise(DWORD cookie) override
    {
        AcquireSRWLockExclusive(&m_lock);
        IDispatch *sink = cookie >= 1 && cookie <= m_sinks.size()
                              ? std::exchange(m_sinks[cookie - 1], nullptr)
                              : nullptr;
        ReleaseSRWLockExclusive(&m_lock);
        return sink ? sink->Release(), S_OK : CONNECT_E_NOCONNECTION;
    }
    STDMETHODIMP EnumConnections(IEnumConnections **) override { return E_NOTIMPL; }

    // IProvideClassInfo
    STDMETHODIMP GetClassInfo(ITypeInfo **info) override
    {
        return ownTypeInfo(isVariant(L"unnamed") ? unnamedClassId : classId, info);
    }

    // IOleObject: only being sited matters.
    STDMETHODIMP SetClientSite(IOleClientSite *site) override { return m_sited = site, S_OK; }
    STDMETHODIMP GetClientSite(IOleClientSite **site) override { return *site = nullptr, E_FAIL; }
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite *, LONG, HWND parent, LPCRECT) override
    {
        m_window = parent;
        return S_OK;
    }
    STDMETHODIMP GetUserClassID(CLSID *id) override { return *id = classId, S_OK; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD *status) override { return *status = 0, S_OK; }
    STDMETHODIMP Close(DWORD) override { return S_OK; }

private:
    static HRESULT raise(EXCEPINFO *exception, const std::wstring &description)
    {
        *exception = {};
        exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);
        exception->bstrDescription =
            SysAllocStringLen(description.data(), UINT(description.size()));
        return DISP_E_EXCEPTION;
    }

    HRESULT sendCommand(const std::wstring &verb, const std::wstring &command, EXCEPINFO *exception)
    {
        const HWND host = GetAncestor(m_window, GA_ROOT);
        if (verb == L"fail")
            return raise(exception, command);
        if (verb == L"failcode") {
            *exception = {};
            exception->wCode = WORD(_wtoi(command.c_str()));
            exception->bstrSource = SysAllocString(L"Test control");
            exception->bstrDescription = SysAllocString(L"its own error");
            return DISP_E_EXCEPTION;
        }
        if (verb == L"errorinfo")
            return failWith(L"Test control", command.c_str());
        if (verb == L"pumpclose") {
            PostMessageW(host, WM_CLOSE, 0, 0);
            AddRef(); // held for the call, as any caller's reference would be
            m_busy = true;
            pumpMessages(1000);
            m_busy = false;
            Release();
            return S_OK;
        }
        if (verb == L"hang")
            Sleep(INFINITE);
        if (verb == L"crash")
            TerminateProcess(GetCurrentProcess(), 3);
        if (verb == L"kinds")
            reportEveryKind();
        else if (verb == L"values") {
            AddRef(); // the event's value holds a reference, which it lets go
            fire(actionEventId,
                 {of(VT_R4, 0.1f), of(VT_ERROR, SCODE(E_FAIL)),
                  of(VT_UNKNOWN, static_cast<IUnknown *>(static_cast<IDispatch *>(this))),
                  of(VT_ARRAY | VT_I4, SafeArrayCreateVector(VT_I4, 0, 2)), of(VT_R4, -2.5f),
                  VARIANT{}, VARIANT{}});
        } else if (verb == L"threads")
            for (m_perThread = _wtoi(command.c_str()); m_threads.size() < 2;)
                m_threads.push_back(
                    CreateThread(nullptr, 0, &TestControl::report, this, 0, nullptr));
        else if (verb == L"close")
            PostMessageW(host, WM_CLOSE, 0, 0);
        else if (verb == L"logoff") {
            PostMessageW(host, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            PostMessageW(host, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        } else {
            if (verb == L"print") {
                std::printf("printed on standard output\n");
                std::fflush(stdout);
                DWORD written = 0;
                WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "written there\n", 14, &written,
                          nullptr);
            }
            fire(heartbeatId, {of(VT_I4, LONG(1))});
            m_propertyNotifications.changed();
            fire(actionEventId, {text(verb), text(command), of(VT_I4, LONG(command.size())),
                                 VARIANT{}, VARIANT{}, VARIANT{}, VARIANT{}});
        }
        return S_OK;
    }

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

    void reportEveryKind()
    {
        constexpr double infinity = std::numeric_limits<double>::infinity();
        static BSTR byReference = SysAllocString(L"by reference");
        static LONG wholeByReference = 99;
        VARIANT textReference = of(VT_BYREF | VT_BSTR, &byReference);
        VARIANT wholeReference = of(VT_BYREF | VT_I4, &wholeByReference);
        fire(actionEventId, {text(L"kinds"), VARIANT{}, of(VT_NULL, 0), of(VT_I1, CHAR(-8)),
                             of(VT_I2, SHORT(-16000)), of(VT_I4, LONG(-2000000000)),
                             of(VT_I8, std::numeric_limits<LONGLONG>::min())});
        fire(actionEventId,
             {of(VT_UI1, BYTE(255)), of(VT_UI2, USHORT(65535)), of(VT_UI4, ULONG(4294967295u)),
              of(VT_UI8, std::numeric_limits<ULONGLONG>::max()), of(VT_INT, INT(-7)),
              of(VT_UINT, UINT(7)), of(VT_UI8, ULONGLONG(42))});
        fire(actionEventId,
             {of(VT_R4, 1.5f), of(VT_R8, -0.1), of(VT_R8, std::numeric_limits<double>::quiet_NaN()),
              of(VT_R8, -infinity), of(VT_CY, LONGLONG(125000)), of(VT_CY, LONGLONG(-30000)),
              decimal(0, 12345678901234ull, 0, DECIMAL_NEG)});
        fire(actionEventId,
             {decimal(0, 125, 2, 0), of(VT_BOOL, VARIANT_BOOL(VARIANT_TRUE)),
              of(VT_ERROR, SCODE(DISP_E_PARAMNOTFOUND)), textReference, wholeReference,
              text(L"\U0001D11E \u00C4rger\ttab"), text(std::wstring(L"a\0b", 3))});
        fire(actionEventId,
             {text(std::wstring{L'x', wchar_t(0xD800), L'y'}), of(VT_BSTR, BSTR(nullptr)),
              text(L""), of(VT_R8, -0.0), text(L"\"quoted\" \\ and\r\nnew line"),
              of(VT_R8, 0.1 + 0.2), of(VT_R8, 1e300)});
    }

    // Reports straight from the worker thread, as many controls do.
    static DWORD WINAPI report(void *self)
    {
        auto *control = static_cast<TestControl *>(self);
        const LONG thread = InterlockedIncrement(&control->m_started);
        for (LONG i = 1; i <= control->m_perThread; ++i)
            control->fire(actionEventId, {text(L"thread"), of(VT_I4, thread), of(VT_I4, i),
                                          VARIANT{}, VARIANT{}, VARIANT{}, VARIANT{}});
        return 0;
    }

    LONG m_references = 1;
    bool m_busy = false;
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::vector<IDispatch *> m_sinks;
    ULONG m_listed = 0;
    bool m_initialised = false;
    PropertyNotifications m_propertyNotifications{this};
    bool m_sited = false;
    HWND m_window = nullptr;
    std::vector<HANDLE> m_threads;
    LONG m_perThread = 0;
    LONG m_started = 0;
};

} // namespace

const CLSID serverClassId = classId;
const DWORD serverMiscStatus = 0;

IUnknown *createControl()
{
    if (isVariant(L"slow"))
        Sleep(5000);
    return static_cast<IDispatch *>(new TestControl);
}
