// The test control, written from COM's documented contracts rather than from what the control
// host does. Its dual interface is dispatched by its type library (oleaut32 decides the
// arguments' order) or by hand, it takes no command before it was initialised as a new control
// and activated in place by its container, and it raises its events the ways real controls do:
// with every value a text passed by reference, from inside a command, from a timer after the
// command returned, from a worker thread through a properly marshalled pointer, and while a
// sink is being connected; and the ways careless ones do. Verbs:
//   kinds      values of every VARIANT kind, each as itself rather than by reference
//   values     an action of single-precision, currency, date, false, error, empty and null
//              values, one of six values (an object first) and one of eight
//   exact      numbers with more digits than a double holds, then decimals with more places
//              than OLE Automation's own have
//   huge       an action whose first value is a text of as many characters as the text says,
//              twenty million where it says no number
//   threads    starts two threads that each report <text> numbered actions, calling the sinks
//              from there without marshalling, as careless controls do
//   later      the echo from a timer, once the command has returned
//   worker     the echo from a worker thread
//   timerpump  the echo at once, and again from a timer whose handler first runs a message loop
//              of its own for a second, as a control showing a box does; called meanwhile, it
//              ends the process with exit code 6, as it was entered again mid-handler
//   sentpump   the same, from a message that a thread of its own sends its window
//   fail       fails with an exception whose description is the text
//   failhuge   the same, with a description of as many characters as the text says, twenty
//              million where it says no number
//   deferred   fails through an exception description that is filled in only when asked
//   wcode      fails with only its own error number, the number the text gives
//   rawcode    fails with an error number of its own and no description at all
//   errorinfo  fails through the error object, which the type library's dispatch hands on
//   hang       never returns
//   hungwindow shows a window of its own titled "Strict control status", owned by none, and
//              never returns
//   crash      ends the process at once, with exit code 3
//   fault      reads where nothing is, an access violation that nothing catches
//   pumpclose  asks the host's window to close and runs a message loop of its own for a second
//   msgbox     shows a message box titled "Strict control" saying the text, then echoes
//   modeless   asks its frame to disable modeless windows for a moment, then echoes
//   modelessnested  asks twice, answers once, reports "between", then answers again and echoes,
//              as nested modal dialogs do
//   modelessdialog  shows a modeless dialog titled "Strict control dialog", with a text box and
//              OK and Cancel, which reports ("dialog", "ok" or "cancel") as it is closed, and
//              hands its frame an active object that reports ("accelerator", "F5") for F5 while
//              the dialog is open; then echoes
//   close      asks the host's window to close, as a user or a tool might, then echoes
//   logoff     ends the session for the host's window, as the system does at log-off, then echoes
//   postroot   posts application messages to its root window and to every message-only window
//              of its process, as a careless control or another program might, then echoes
//   print      first prints to standard output, as careless controls do, then echoes
//   bitness    reports "bitness" and 32 or 64
//   process    reports "process" and the process's id, in decimal
//   stdin      reports "stdin" and what standard input is: char, pipe, disk, unknown or none
// Every other verb is echoed at once: the verb, the text and the text's length. Each command
// also beats the heartbeat of the event interface, tells the property-change sinks that
// something changed, and raises the status event of its second outgoing interface, with seven
// values, which is no action. The title of each window or box it shows ends with the tag
// KV27_TEST_CONTROL_TAG holds, if any, so that tests side by side never find each other's.
// KV27_TEST_CONTROL_VARIANT (see com_support.h) makes it a control that:
//   handDispatch         writes IDispatch::Invoke by hand, taking exactly the default member
//                        with two texts, and says its failures through IDispatch's error object
//   property             is called by hand as a property, not a method
//   siteFirst            asks to be sited before it is initialised, and refuses otherwise
//   useReg               the same, but says so only in the registry (OLE_S_USEREG)
//   ambient              reads its container's ambient properties as it initialises, failing
//                        on the first one that is missing or of the wrong kind
//   extender             reads its extender's name, visibility and parent as it initialises,
//                        as controls of the classic visual tools do, and fails without them
//   noActionEvent        reports on its status interface alone, which has no ActionEvent
//   unlisted             lists no outgoing interfaces (EnumConnectionPoints not implemented)
//   uninitialisable      fails to initialise
//   slow                 takes five seconds to be created
//   unnamed / hidden     names no default event interface / gives no class information
//   noTypeInfo           gives no type information through IDispatch either
//   eventsLast           lists its event interface after its status interface
//   deaf                 connects no sink to its events
//   eventOnAdvise        tells each sink "advised" as it is being connected
//   ownErrorInterface    answers ISupportErrorInfo for its own interface only, and fails
//                        errorinfo with the plain error code
//   boxAtStart           shows a message box titled "Strict control starting" as it initialises
//   boxOnClose           shows one titled "Strict control closing" as it is closed
//   closeIn<Call>        asks every window of its thread to close and runs a message loop of
//                        its own inside SetClientSite, InitNew, DoVerb, Advise or Close
// When it is let go while such a loop runs, it ends the process with exit code 5; once let go, it
// announces it.

#include "com_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

namespace {

const CLSID classId = {
    0xE7B40C93, 0x2A18, 0x4F6D, {0xB5, 0xC7, 0x3D, 0x9E, 0x1F, 0x0A, 0x8B, 0x64}};
const IID interfaceId = {
    0x8F2E6A41, 0x3C7B, 0x4D0E, {0xA5, 0xB9, 0x1D, 0x2C, 0x3E, 0x4F, 0x5A, 0x61}};
const CLSID unnamedClassId = {
    0x4A9C7E31, 0xB05D, 0x4F28, {0x8C, 0x6E, 0xD2, 0xF1, 0xA3, 0xB7, 0x9E, 0x10}};
const IID eventsId = {0xC3A85E12, 0x6D4F, 0x4B97, {0x8E, 0x21, 0x9F, 0x0A, 0x7B, 0x3C, 0x5D, 0x42}};
const IID statusId = {0x1D6F0B27, 0x94C3, 0x4E85, {0xA2, 0xD1, 0x6B, 0x8E, 0x3F, 0x7C, 0x9A, 0x05}};
const CLSID statusOnlyClassId = {
    0x6C2D8E44, 0x19A7, 0x4B3F, {0x9E, 0x05, 0x7A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
constexpr DISPID heartbeatId = 1;
constexpr DISPID actionEventId = 5;
constexpr DISPID statusChangedId = 1;
constexpr UINT_PTR laterTimer = 1;
constexpr UINT_PTR pumpTimer = 2;
constexpr UINT pumpMessage = WM_APP + 7;

bool asksForItsSiteFirst()
{
    return isVariant(L"siteFirst") || isVariant(L"useReg") || isVariant(L"ambient") ||
           isVariant(L"extender");
}

constexpr DWORD miscStatus =
    OLEMISC_INVISIBLEATRUNTIME | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

// Asks every window of this thread to close, as a user or the system may while the control
// runs a message loop of its own inside any call, and runs that loop.
BOOL CALLBACK askToClose(HWND window, LPARAM)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void closeFromOutsideDuring(const wchar_t *call)
{
    if (!isVariant((std::wstring(L"closeIn") + call).c_str()))
        return;
    EnumThreadWindows(GetCurrentThreadId(), askToClose, 0);
    pumpMessages(300);
}

// A title of the control's own, with the tag of the test that shows it.
std::wstring titled(const wchar_t *title)
{
    const std::wstring tag = environment(L"KV27_TEST_CONTROL_TAG");
    return tag.empty() ? title : title + (L" " + tag);
}

// The text as a count of characters, twenty million where it is no number.
std::size_t countIn(const std::wstring &text)
{
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return 20'000'000;
    return std::wcstoull(text.c_str(), nullptr, 10);
}

const wchar_t *standardInputType()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE)
        return L"none";
    const DWORD type = GetFileType(input);
    return type == FILE_TYPE_CHAR   ? L"char"
           : type == FILE_TYPE_PIPE ? L"pipe"
           : type == FILE_TYPE_DISK ? L"disk"
                                    : L"unknown";
}

// Where a careless control or another program might post its own messages: the control's root
// window, and every message-only window of the process.
void postApplicationMessages(HWND root)
{
    std::vector<HWND> windows{root};
    for (HWND window = nullptr; (window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr));) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            windows.push_back(window);
    }
    for (const HWND window : windows) {
        PostMessageW(window, WM_APP + 1, 0, 0x1234);
        PostMessageW(window, WM_APP + 2, 0, 0);
    }
}

// The dual interface as the type library lays it out.
struct IStrictControl : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE SendCommand(BSTR verb, BSTR text) = 0;
};

HRESULT STDMETHODCALLTYPE fillInLater(EXCEPINFO *exception)
{
    exception->bstrSource = SysAllocString(L"Strict control");
    exception->bstrDescription = SysAllocString(L"described when asked");
    exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0300);
    exception->pfnDeferredFillIn = nullptr;
    return S_OK;
}

// The ways a command fails besides returning its code, which Invoke gives its caller.
enum class Failure { None, Described, Deferred, OwnNumber, RawCode, ErrorObject };

IGlobalInterfaceTable *globalTable()
{
    static IGlobalInterfaceTable *table = [] {
        IGlobalInterfaceTable *created = nullptr;
        CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(&created));
        return created;
    }();
    return table;
}

class PointList : public IEnumConnectionPoints {
public:
    PointList(IUnknown *owner, std::vector<IConnectionPoint *> points, std::size_t next = 0)
        : m_owner(owner)
        , m_points(std::move(points))
        , m_next(next)
    {}

    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (iid != IID_IUnknown && iid != IID_IEnumConnectionPoints)
            return *object = nullptr, E_NOINTERFACE;
        *object = this;
        return AddRef(), S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_references); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP Next(ULONG count, IConnectionPoint **points, ULONG *fetched) override
    {
        ULONG given = 0;
        for (; given < count && m_next < m_points.size(); ++given, ++m_next)
            points[given] = m_points[m_next], points[given]->AddRef();
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        m_next += count;
        return m_next <= m_points.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override { return m_next = 0, S_OK; }
    STDMETHODIMP Clone(IEnumConnectionPoints **copy) override
    {
        return *copy = new PointList(m_owner.Get(), m_points, m_next), S_OK;
    }

private:
    LONG m_references = 1;
    ComPtr<IUnknown> m_owner;
    std::vector<IConnectionPoint *> m_points;
    std::size_t m_next;
};

// Values of every kind, each event's in their order, the first a text naming them.
std::vector<std::vector<VARIANT>> everyKind(IUnknown *object)
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    static BSTR byReference = SysAllocString(L"by reference");
    static LONG wholeByReference = 99;
    object->AddRef(); // the event's value holds a reference, which it lets go
    return {
        {text(L"kinds"), VARIANT{}, of(VT_NULL, 0), of(VT_I1, CHAR(-8)), of(VT_I2, SHORT(-16000)),
         of(VT_I4, LONG(-2000000000)), of(VT_I8, std::numeric_limits<LONGLONG>::min())},
        {of(VT_UI1, BYTE(255)), of(VT_UI2, USHORT(65535)), of(VT_UI4, ULONG(4294967295u)),
         of(VT_UI8, std::numeric_limits<ULONGLONG>::max()), of(VT_INT, INT(-7)),
         of(VT_UINT, UINT(7)), of(VT_UI8, ULONGLONG(42))},
        {of(VT_R4, 1.5f), of(VT_R8, -0.1), of(VT_R8, std::numeric_limits<double>::quiet_NaN()),
         of(VT_R8, -infinity), of(VT_CY, LONGLONG(125000)), of(VT_CY, LONGLONG(-30000)),
         decimal(0, 12345678901234ull, 0, DECIMAL_NEG)},
        {decimal(0, 125, 2, 0), of(VT_BOOL, VARIANT_BOOL(VARIANT_TRUE)),
         of(VT_ERROR, SCODE(DISP_E_PARAMNOTFOUND)), of(VT_BYREF | VT_BSTR, &byReference),
         of(VT_BYREF | VT_I4, &wholeByReference), text(L"\U0001D11E \u00C4rger\ttab"),
         text(std::wstring(L"a\0b", 3))},
        {text(std::wstring{L'x', wchar_t(0xD800), L'y'}), of(VT_BSTR, BSTR(nullptr)), text(L""),
         of(VT_R8, -0.0), text(L"\"quoted\" \\ and\r\nnew line"), of(VT_R8, 0.1 + 0.2),
         of(VT_R8, 1e300)},
        {of(VT_R4, 0.1f), of(VT_ERROR, SCODE(E_FAIL)), of(VT_UNKNOWN, object),
         of(VT_ARRAY | VT_I4, SafeArrayCreateVector(VT_I4, 0, 2)), of(VT_R4, -2.5f), VARIANT{},
         VARIANT{}},
    };
}

// An action of seven values of kinds that have no number or text of their own, one of six
// values, an object first, and one of eight.
std::vector<std::vector<VARIANT>> valuesOfEveryCount(IDispatch *object)
{
    SYSTEMTIME noon{2026, 12, 2, 8, 12, 0, 0, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&noon, &date);
    object->AddRef(); // the event's value holds a reference, which it lets go
    std::vector<VARIANT> eight;
    for (int i = 1; i <= 8; ++i)
        eight.push_back(text(std::to_wstring(i)));
    return {
        {of(VT_R4, 0.1f), of(VT_CY, LONGLONG(12500)), of(VT_DATE, date),
         of(VT_BOOL, VARIANT_BOOL(VARIANT_FALSE)), of(VT_ERROR, SCODE(E_FAIL)), VARIANT{},
         of(VT_NULL, 0)},
        {of(VT_DISPATCH, object), text(L"1"), text(L"2"), text(L"3"), text(L"4"), text(L"5")},
        eight,
    };
}

// Numbers beyond what a double holds exactly: the largest decimal, one with 28 digits after the
// point, the largest unsigned 64-bit whole number, the largest currency, and a decimal that a
// double holds.
std::vector<VARIANT> exactNumbers()
{
    return {text(L"exact"),
            decimal(0xFFFFFFFF, ~0ull, 0, 0),
            decimal(0, 12345678901234567890ull, 28, DECIMAL_NEG),
            of(VT_UI8, std::numeric_limits<ULONGLONG>::max()),
            of(VT_CY, std::numeric_limits<LONGLONG>::max()),
            decimal(0, 125, 2, 0),
            of(VT_I4, LONG(0))};
}

// A DECIMAL's scale may name up to 255 places, where OLE Automation stops at 28.
std::vector<VARIANT> placesBeyondDecimals()
{
    return {text(L"beyond"), decimal(0, 12345678901234567890ull, 40, 0),
            decimal(0, 12345678901234567890ull, 255, DECIMAL_NEG)};
}

// The number of the object's member of that name, as late binding asks for it.
HRESULT memberNamed(IDispatch *object, const wchar_t *name, DISPID *member)
{
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, member);
}

// A property read late-bound, as controls read their container's: an error value where the
// object has none to give.
struct Property : VARIANT {
    Property(IDispatch *object, DISPID member)
    {
        VariantInit(this);
        if (!object || FAILED(get(object, member)))
            V_VT(this) = VT_ERROR;
    }
    Property(IDispatch *object, const wchar_t *name)
    {
        VariantInit(this);
        DISPID member = DISPID_UNKNOWN;
        if (!object || FAILED(memberNamed(object, name, &member)) || FAILED(get(object, member)))
            V_VT(this) = VT_ERROR;
    }
    Property(const Property &) = delete;
    ~Property() { VariantClear(this); }

    VARTYPE kind() const { return V_VT(this); }
    bool isBool(VARIANT_BOOL value) const { return kind() == VT_BOOL && V_BOOL(this) == value; }
    bool isText(const wchar_t *text) const
    {
        return kind() == VT_BSTR && std::wstring(V_BSTR(this)) == text;
    }

private:
    HRESULT get(IDispatch *object, DISPID member)
    {
        DISPPARAMS none{};
        return object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                              this, nullptr, nullptr);
    }
};

// S_OK where every check holds, else an error code of the control's own for the first that does
// not, counting from the given one.
HRESULT firstFailure(WORD code, std::initializer_list<bool> checks)
{
    for (const bool holds : checks) {
        if (!holds)
            return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, code);
        ++code;
    }
    return S_OK;
}

// The frame a site activates its control in, and where in it.
HRESULT windowContext(IOleInPlaceSite *site, ComPtr<IOleInPlaceFrame> &frame, RECT &where)
{
    ComPtr<IOleInPlaceUIWindow> document;
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{sizeof frameInfo};
    return site->GetWindowContext(&frame, &document, &where, &clip, &frameInfo);
}

class StrictControl : public IStrictControl,
                      public IProvideClassInfo2,
                      public IConnectionPointContainer,
                      public OleObjectBasics,
                      public IOleInPlaceObject,
                      public IOleInPlaceActiveObject,
                      public NewOnlyPersistence,
                      public ISupportErrorInfo {
public:
    StrictControl()
    {
        if (SUCCEEDED(LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &m_library)))
            m_library->GetTypeInfoOfGuid(interfaceId, &m_typeInfo);
    }
    ~StrictControl()
    {
        if (m_busy)
            TerminateProcess(GetCurrentProcess(), 5);
        for (const HANDLE thread : m_threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        announceRelease();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == interfaceId)
            *object = static_cast<IStrictControl *>(this);
        else if ((iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) &&
                 !isVariant(L"hidden"))
            *object = static_cast<IProvideClassInfo2 *>(this);
        else if (iid == IID_IConnectionPointContainer)
            *object = static_cast<IConnectionPointContainer *>(this);
        else if (iid == IID_IOleObject)
            *object = static_cast<IOleObject *>(this);
        else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow)
            *object = static_cast<IOleInPlaceObject *>(this);
        else if (iid == IID_IOleInPlaceActiveObject)
            *object = static_cast<IOleInPlaceActiveObject *>(this);
        else if (iid == IID_IPersistStreamInit || iid == IID_IPersist)
            *object = static_cast<IPersistStreamInit *>(this);
        else if (iid == IID_ISupportErrorInfo)
            *object = static_cast<ISupportErrorInfo *>(this);
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

    // IDispatch through the type library, or by hand.
    STDMETHODIMP GetTypeInfoCount(UINT *count) override
    {
        return *count = isVariant(L"noTypeInfo") ? 0 : 1, S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo **info) override
    {
        if (isVariant(L"noTypeInfo"))
            return *info = nullptr, E_NOTIMPL;
        if (index != 0)
            return *info = nullptr, DISP_E_BADINDEX;
        return m_typeInfo.CopyTo(info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *ids) override
    {
        return DispGetIDsOfNames(m_typeInfo.Get(), names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS *parameters,
                        VARIANT *result, EXCEPINFO *exception, UINT *argument) override
    {
        m_failure = Failure::None;
        const HRESULT outcome =
            isVariant(L"handDispatch")
                ? invokeByHand(member, flags, parameters)
                : m_typeInfo->Invoke(static_cast<IStrictControl *>(this), member, flags, parameters,
                                     result, exception, argument);
        if (m_failure == Failure::None || !exception)
            return outcome;
        // The command fails its own way, whatever the dispatch made of it.
        SysFreeString(exception->bstrSource);
        SysFreeString(exception->bstrDescription);
        SysFreeString(exception->bstrHelpFile);
        *exception = {};
        switch (m_failure) {
        case Failure::Described:
            exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);
            exception->bstrDescription =
                SysAllocStringLen(m_failureText.data(), UINT(m_failureText.size()));
            return DISP_E_EXCEPTION;
        // A framework of the control's kind describes its exception only when asked.
        case Failure::Deferred:
            exception->pfnDeferredFillIn = fillInLater;
            return DISP_E_EXCEPTION;
        case Failure::OwnNumber:
            exception->wCode = WORD(_wtoi(m_failureText.c_str()));
            exception->bstrSource = SysAllocString(L"Strict control");
            exception->bstrDescription = SysAllocString(L"its own error number");
            return DISP_E_EXCEPTION;
        // As a hand-written dispatch hands on the method's own failure, where the type
        // library's would describe it in the exception.
        case Failure::RawCode:
            return SetErrorInfo(0, nullptr), MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x210);
        default:
            return failWith(m_failureText.c_str());
        }
    }

    STDMETHODIMP SendCommand(BSTR verbString, BSTR textString) override
    {
        if (m_inItsOwnHandler)
            TerminateProcess(GetCurrentProcess(), 6);
        const std::wstring verb(verbString, SysStringLen(verbString));
        const std::wstring command(textString, SysStringLen(textString));
        if (!m_initialised)
            return failWith(L"The strict control was never initialised as a new control.");
        if (!m_window)
            return failWith(L"The strict control was never activated in place.");
        fire(m_eventPoint, heartbeatId, {of(VT_I4, LONG(1))});
        notifyPropertyChange();
        fire(m_statusPoint, statusChangedId,
             std::vector<VARIANT>{text(L"status"), {}, {}, {}, {}, {}, {}});
        return perform(verb, command);
    }

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo **info) override
    {
        const CLSID &described = isVariant(L"unnamed")         ? unnamedClassId
                                 : isVariant(L"noActionEvent") ? statusOnlyClassId
                                                               : classId;
        return m_library->GetTypeInfoOfGuid(described, info);
    }
    STDMETHODIMP GetGUID(DWORD kind, GUID *guid) override
    {
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID || isVariant(L"unnamed"))
            return *guid = GUID_NULL, E_INVALIDARG;
        return *guid = isVariant(L"noActionEvent") ? statusId : eventsId, S_OK;
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints **points) override
    {
        if (isVariant(L"unlisted"))
            return *points = nullptr, E_NOTIMPL;
        std::vector<IConnectionPoint *> listed{&m_propertyPoint, &m_eventPoint, &m_statusPoint};
        if (isVariant(L"eventsLast"))
            std::swap(listed[1], listed[2]);
        if (isVariant(L"noActionEvent"))
            listed.erase(listed.begin() + 1);
        *points = new PointList(static_cast<IStrictControl *>(this), std::move(listed));
        return S_OK;
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint **point) override
    {
        if (iid == eventsId && !isVariant(L"noActionEvent"))
            *point = &m_eventPoint;
        else if (iid == statusId)
            *point = &m_statusPoint;
        else if (iid == IID_IPropertyNotifySink)
            *point = &m_propertyPoint;
        else
            return *point = nullptr, CONNECT_E_NOCONNECTION;
        (*point)->AddRef();
        return S_OK;
    }

    // IPersistStreamInit: a new control only.
    STDMETHODIMP GetClassID(CLSID *id) override { return *id = classId, S_OK; }
    STDMETHODIMP InitNew() override
    {
        if (isVariant(L"uninitialisable"))
            return E_OUTOFMEMORY;
        if (m_initialised)
            return E_UNEXPECTED;
        const Busy busy(this);
        closeFromOutsideDuring(L"InitNew");
        // Such a control reads its container's ambient properties as it initialises.
        if (asksForItsSiteFirst() && !m_site)
            return E_UNEXPECTED;
        if (isVariant(L"ambient"))
            if (const HRESULT wrong = readAmbientProperties(); FAILED(wrong))
                return wrong;
        if (isVariant(L"extender"))
            if (const HRESULT wrong = readExtender(); FAILED(wrong))
                return wrong;
        if (isVariant(L"boxAtStart"))
            MessageBoxW(nullptr, L"Starting", titled(L"Strict control starting").c_str(), MB_OK);
        return m_initialised = true, S_OK;
    }

    // ISupportErrorInfo: a hand-written dispatch sets the error object for IDispatch, which its
    // methods are; a framework for the interface it declares, and for IDispatch unless it says
    // otherwise.
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override
    {
        if (isVariant(L"handDispatch"))
            return iid == IID_IDispatch ? S_OK : S_FALSE;
        if (iid == interfaceId)
            return S_OK;
        return iid == IID_IDispatch && !isVariant(L"ownErrorInterface") ? S_OK : S_FALSE;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite *site) override
    {
        m_site = site;
        if (site) {
            const Busy busy(this);
            closeFromOutsideDuring(L"SetClientSite");
        }
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite **site) override { return m_site.CopyTo(site); }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite *site, LONG, HWND parent,
                        LPCRECT position) override
    {
        if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW &&
            verb != OLEIVERB_UIACTIVATE)
            return OLEOBJ_E_INVALIDVERB;
        const Busy busy(this);
        closeFromOutsideDuring(L"DoVerb");
        return activateInPlace(site ? site : m_site.Get(), parent, position);
    }
    STDMETHODIMP GetUserClassID(CLSID *id) override { return *id = classId, S_OK; }
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD *status) override
    {
        if (aspect != DVASPECT_CONTENT)
            return *status = 0, E_INVALIDARG;
        if (isVariant(L"useReg"))
            return *status = 0, OLE_S_USEREG;
        *status = asksForItsSiteFirst() ? miscStatus : miscStatus & ~OLEMISC_SETCLIENTSITEFIRST;
        return S_OK;
    }
    STDMETHODIMP Close(DWORD) override
    {
        const Busy busy(this);
        closeFromOutsideDuring(L"Close");
        if (isVariant(L"boxOnClose"))
            MessageBoxW(GetAncestor(m_window, GA_ROOT), L"Closing",
                        titled(L"Strict control closing").c_str(), MB_OK);
        return InPlaceDeactivate();
    }

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND *window) override
    {
        *window = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override
    {
        if (!m_window)
            return S_OK;
        DestroyWindow(std::exchange(m_window, nullptr));
        if (IOleInPlaceSite *site = std::exchange(m_inPlaceSite, nullptr)) {
            site->OnInPlaceDeactivate();
            site->Release();
        }
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject: the control as it is active in place, which its frame offers keys
    // to first. F5 is its keyboard shortcut.
    STDMETHODIMP TranslateAccelerator(MSG *message) override
    {
        if (message->message != WM_KEYDOWN || message->wParam != VK_F5)
            return S_FALSE;
        return fireTexts({L"accelerator", L"F5"}), S_OK;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow *, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

private:
    // One outgoing interface's sinks. Sinks are kept in the global interface table, so that a
    // worker thread may call them through a marshalled pointer, and as they came, for the
    // careless.
    class Point : public IConnectionPoint {
    public:
        Point(StrictControl *control, const IID &iid)
            : m_control(control)
            , m_iid(iid)
        {}

        STDMETHODIMP QueryInterface(REFIID iid, void **object) override
        {
            if (iid != IID_IUnknown && iid != IID_IConnectionPoint)
                return *object = nullptr, E_NOINTERFACE;
            *object = this;
            return AddRef(), S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return m_control->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_control->Release(); }
        STDMETHODIMP GetConnectionInterface(IID *iid) override { return *iid = m_iid, S_OK; }
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer **container) override
        {
            return m_control->QueryInterface(IID_PPV_ARGS(container));
        }
        STDMETHODIMP Advise(IUnknown *sink, DWORD *cookie) override
        {
            *cookie = 0;
            ComPtr<IUnknown> typed;
            if (!sink || (m_iid == eventsId && isVariant(L"deaf")) ||
                FAILED(sink->QueryInterface(m_iid, &typed)))
                return CONNECT_E_CANNOTCONNECT;
            // A dispatch interface is marshalled as IDispatch, which is what calls through it
            // are.
            const IID &marshalled = m_iid == IID_IPropertyNotifySink ? m_iid : IID_IDispatch;
            if (const HRESULT registered =
                    globalTable()->RegisterInterfaceInGlobal(typed.Get(), marshalled, cookie);
                FAILED(registered))
                return registered;
            AcquireSRWLockExclusive(&m_lock);
            m_sinks.push_back({*cookie, typed.Detach()});
            ReleaseSRWLockExclusive(&m_lock);
            // A sink learns at once what the control has to say, as it is being connected.
            if (m_iid == eventsId) {
                const Busy busy(m_control);
                closeFromOutsideDuring(L"Advise");
                if (isVariant(L"eventOnAdvise"))
                    m_control->fireTexts({L"advised"}, *cookie);
            }
            return S_OK;
        }
        STDMETHODIMP Unadvise(DWORD cookie) override
        {
            AcquireSRWLockExclusive(&m_lock);
            const auto found =
                std::find_if(m_sinks.begin(), m_sinks.end(),
                             [cookie](const Sink &sink) { return sink.cookie == cookie; });
            IUnknown *unmarshalled = found != m_sinks.end() ? found->unmarshalled : nullptr;
            if (unmarshalled)
                m_sinks.erase(found);
            ReleaseSRWLockExclusive(&m_lock);
            if (!unmarshalled)
                return CONNECT_E_NOCONNECTION;
            unmarshalled->Release();
            return globalTable()->RevokeInterfaceFromGlobal(cookie);
        }
        STDMETHODIMP EnumConnections(IEnumConnections **) override { return E_NOTIMPL; }

        // The sinks' cookies in the global interface table.
        std::vector<DWORD> sinks() const
        {
            AcquireSRWLockShared(&m_lock);
            std::vector<DWORD> cookies;
            for (const Sink &sink : m_sinks)
                cookies.push_back(sink.cookie);
            ReleaseSRWLockShared(&m_lock);
            return cookies;
        }
        // Calls each sink as it came, from whichever thread this is, unmarshalled.
        template <typename Call> void callUnmarshalled(Call call) const
        {
            AcquireSRWLockShared(&m_lock);
            for (const Sink &sink : m_sinks)
                call(sink.unmarshalled);
            ReleaseSRWLockShared(&m_lock);
        }

    private:
        struct Sink {
            DWORD cookie;
            IUnknown *unmarshalled;
        };

        StrictControl *m_control;
        IID m_iid;
        mutable SRWLOCK m_lock = SRWLOCK_INIT;
        std::vector<Sink> m_sinks;
    };

    // Held while the control runs a message loop of its own: it must not be let go meanwhile.
    // Inside a call its caller still holds it, which the guard stands for; a window's message
    // comes with no reference at all.
    struct Busy {
        explicit Busy(StrictControl *control, bool called = true)
            : control(control)
            , held(called ? static_cast<IStrictControl *>(control) : nullptr)
            , was(std::exchange(control->m_busy, true))
        {}
        ~Busy() { control->m_busy = was; }
        StrictControl *control;
        ComPtr<IStrictControl> held;
        bool was;
    };

    // Exactly the default member with two texts, as the control's contract has it.
    HRESULT invokeByHand(DISPID member, WORD flags, const DISPPARAMS *parameters)
    {
        const VARIANT *arguments = parameters->rgvarg;
        const WORD kind = isVariant(L"property") ? DISPATCH_PROPERTYGET : DISPATCH_METHOD;
        if (member != DISPID_VALUE || !(flags & kind) || parameters->cArgs != 2 ||
            parameters->cNamedArgs != 0 || V_VT(&arguments[0]) != VT_BSTR ||
            V_VT(&arguments[1]) != VT_BSTR)
            return DISP_E_MEMBERNOTFOUND;
        return SendCommand(V_BSTR(&arguments[1]), V_BSTR(&arguments[0]));
    }

    HRESULT perform(const std::wstring &verb, const std::wstring &command)
    {
        const HWND root = GetAncestor(m_window, GA_ROOT);
        // What it reports instead of the echo.
        if (verb == L"kinds")
            return fireEach(everyKind(static_cast<IStrictControl *>(this))), S_OK;
        if (verb == L"values")
            return fireEach(valuesOfEveryCount(static_cast<IStrictControl *>(this))), S_OK;
        if (verb == L"exact")
            return fireEach({exactNumbers(), placesBeyondDecimals()}), S_OK;
        if (verb == L"huge")
            return fireTexts({std::wstring(countIn(command), L'x'), L"huge"}), S_OK;
        if (verb == L"threads")
            return startThreads(_wtoi(command.c_str())), S_OK;
        if (verb == L"later")
            return m_later = command, SetTimer(m_window, laterTimer, 10, nullptr), S_OK;
        if (verb == L"worker")
            return startWorker(command), S_OK;
        if (verb == L"bitness")
            return fireTexts({verb, sizeof(void *) == 8 ? L"64" : L"32"}), S_OK;
        if (verb == L"process")
            return fireTexts({verb, std::to_wstring(GetCurrentProcessId())}), S_OK;
        if (verb == L"stdin")
            return fireTexts({verb, standardInputType()}), S_OK;
        // Its failures, each its own way.
        if (verb == L"fail")
            return failAs(Failure::Described, command);
        if (verb == L"failhuge")
            return failAs(Failure::Described, std::wstring(countIn(command), L'x'));
        if (verb == L"deferred")
            return failAs(Failure::Deferred, command);
        if (verb == L"wcode")
            return failAs(Failure::OwnNumber, command);
        if (verb == L"rawcode")
            return failAs(Failure::RawCode, command);
        if (verb == L"errorinfo") {
            failAs(isVariant(L"ownErrorInterface") ? Failure::ErrorObject : Failure::None, command);
            return failWith(command.c_str());
        }
        if (verb == L"hungwindow")
            CreateWindowExW(0, L"STATIC", titled(L"Strict control status").c_str(),
                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                            module, nullptr);
        if (verb == L"hang" || verb == L"hungwindow")
            Sleep(INFINITE);
        if (verb == L"crash")
            TerminateProcess(GetCurrentProcess(), 3);
        if (verb == L"fault")
            return *reinterpret_cast<volatile HRESULT *>(std::uintptr_t{0x1234});
        if (verb == L"pumpclose")
            return pumpWhileClosing(root), S_OK;
        // What it does before the echo.
        if (verb == L"timerpump" || verb == L"sentpump") {
            m_pump = {verb, command};
            if (verb == L"timerpump")
                SetTimer(m_window, pumpTimer, 10, nullptr);
            else if (const HANDLE sender =
                         CreateThread(nullptr, 0, sendPumpMessage, m_window, 0, nullptr))
                CloseHandle(sender);
        }
        if (verb == L"msgbox")
            MessageBoxW(root, command.c_str(), titled(L"Strict control").c_str(), MB_OK);
        if (verb == L"modeless")
            disableModelessWindowsForAMoment(false);
        if (verb == L"modelessnested")
            disableModelessWindowsForAMoment(true);
        if (verb == L"modelessdialog")
            showModelessDialog();
        if (verb == L"close")
            PostMessageW(root, WM_CLOSE, 0, 0);
        if (verb == L"logoff") {
            PostMessageW(root, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            PostMessageW(root, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        }
        if (verb == L"postroot")
            postApplicationMessages(root);
        if (verb == L"print")
            printOnStandardOutput();
        echo(verb, command);
        return S_OK;
    }

    HRESULT failAs(Failure failure, const std::wstring &text)
    {
        m_failure = failure;
        m_failureText = text;
        return E_FAIL;
    }

    // The container's part of in-place activation, as the OLE documents describe it.
    HRESULT activateInPlace(IOleClientSite *site, HWND parent, LPCRECT position)
    {
        if (m_window)
            return S_OK;
        if (!site)
            return E_UNEXPECTED;
        ComPtr<IOleInPlaceSite> inPlaceSite;
        if (FAILED(site->QueryInterface(IID_PPV_ARGS(&inPlaceSite))))
            return E_NOINTERFACE;
        HWND container = nullptr;
        ComPtr<IOleInPlaceFrame> frame;
        RECT where{};
        if (inPlaceSite->CanInPlaceActivate() != S_OK ||
            FAILED(inPlaceSite->GetWindow(&container)) || !container ||
            (parent && parent != container) || FAILED(inPlaceSite->OnInPlaceActivate()) ||
            FAILED(windowContext(inPlaceSite.Get(), frame, where)))
            return E_FAIL;
        if (position)
            where = *position;
        m_window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, where.left, where.top,
                                   where.right - where.left, where.bottom - where.top, container,
                                   nullptr, module, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        takeTheTimer(m_window);
        m_inPlaceSite = inPlaceSite.Detach();
        return S_OK;
    }

    // The timers arrive at the control's own window, through the host's message loop.
    void takeTheTimer(HWND window)
    {
        m_staticProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&windowProcedure));
    }
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto *self = reinterpret_cast<StrictControl *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_TIMER && wParam == laterTimer) {
            KillTimer(window, laterTimer);
            self->echo(L"later", self->m_later);
            return 0;
        }
        if (message == WM_TIMER && wParam == pumpTimer) {
            KillTimer(window, pumpTimer);
            self->pumpOnItsOwnTime();
            return 0;
        }
        if (message == pumpMessage) {
            self->pumpOnItsOwnTime();
            return 0;
        }
        return CallWindowProcW(self->m_staticProcedure, window, message, wParam, lParam);
    }

    void notifyPropertyChange()
    {
        for (const DWORD cookie : m_propertyPoint.sinks())
            if (ComPtr<IPropertyNotifySink> sink;
                SUCCEEDED(globalTable()->GetInterfaceFromGlobal(cookie, IID_PPV_ARGS(&sink))))
                sink->OnChanged(DISPID_UNKNOWN);
    }

    // Each value a text passed by reference, as the control's tools raise events.
    void echo(const std::wstring &verb, const std::wstring &command)
    {
        fireTexts({verb, command, std::to_wstring(command.size())});
    }
    void fireTexts(std::vector<std::wstring> texts, DWORD onlyTo = 0)
    {
        std::vector<VARIANT> values;
        for (texts.resize(7); const std::wstring &value : texts)
            values.push_back(text(value));
        fire(m_eventPoint, actionEventId, std::move(values), true, onlyTo);
    }
    // The values in their order, each as itself or passed by reference, which the sinks only
    // borrow; through the global interface table, which marshals each call to the sink's thread.
    void fire(const Point &point, DISPID event, std::vector<VARIANT> values,
              bool byReference = false, DWORD onlyTo = 0)
    {
        std::vector<VARIANT> lastFirst;
        for (auto value = values.rbegin(); value != values.rend(); ++value)
            lastFirst.push_back(byReference ? of(VT_BYREF | VT_VARIANT, &*value) : *value);
        DISPPARAMS parameters{lastFirst.data(), nullptr, UINT(lastFirst.size()), 0};
        for (const DWORD cookie : onlyTo ? std::vector<DWORD>{onlyTo} : point.sinks())
            if (ComPtr<IDispatch> sink;
                SUCCEEDED(globalTable()->GetInterfaceFromGlobal(cookie, IID_PPV_ARGS(&sink))))
                sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                             nullptr, nullptr, nullptr);
        for (VARIANT &value : values)
            VariantClear(&value);
    }
    void fireEach(std::vector<std::vector<VARIANT>> actions)
    {
        for (std::vector<VARIANT> &values : actions)
            fire(m_eventPoint, actionEventId, std::move(values));
    }

    // The worker calls the sinks through the global interface table, which marshals each call
    // to the thread that connected it.
    void startWorker(const std::wstring &command)
    {
        auto *job = new std::pair<StrictControl *, std::wstring>(this, command);
        AddRef();
        CloseHandle(CreateThread(nullptr, 0, &StrictControl::work, job, 0, nullptr));
    }

    static DWORD WINAPI work(void *argument)
    {
        auto *job = static_cast<std::pair<StrictControl *, std::wstring> *>(argument);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        job->first->echo(L"worker", job->second);
        static_cast<IStrictControl *>(job->first)->Release();
        delete job;
        CoUninitialize();
        return 0;
    }

    // Two threads, once, that report straight to the sinks as they came, never marshalled.
    void startThreads(LONG perThread)
    {
        for (m_perThread = perThread; m_threads.size() < 2;)
            m_threads.push_back(CreateThread(nullptr, 0, &StrictControl::report, this, 0, nullptr));
    }

    static DWORD WINAPI report(void *self)
    {
        auto *control = static_cast<StrictControl *>(self);
        const LONG thread = InterlockedIncrement(&control->m_started);
        for (LONG i = 1; i <= control->m_perThread; ++i) {
            VARIANT lastFirst[7] = {
                {}, {}, {}, {}, of(VT_I4, i), of(VT_I4, thread), text(L"thread")};
            DISPPARAMS parameters{lastFirst, nullptr, 7, 0};
            control->m_eventPoint.callUnmarshalled([&](IUnknown *sink) {
                static_cast<IDispatch *>(sink)->Invoke(actionEventId, IID_NULL, LOCALE_USER_DEFAULT,
                                                       DISPATCH_METHOD, &parameters, nullptr,
                                                       nullptr, nullptr);
            });
            VariantClear(&lastFirst[6]);
        }
        return 0;
    }

    void pumpWhileClosing(HWND root)
    {
        PostMessageW(root, WM_CLOSE, 0, 0);
        const Busy busy(this);
        pumpMessages(1000);
    }

    // As a control showing a box from its timer or a message of its own does; it holds no
    // reference of its own, and nothing may call it meanwhile.
    void pumpOnItsOwnTime()
    {
        const Busy busy(this, false);
        m_inItsOwnHandler = true;
        pumpMessages(1000);
        m_inItsOwnHandler = false;
        echo(m_pump.first, m_pump.second);
    }
    static DWORD WINAPI sendPumpMessage(void *window)
    {
        SendMessageW(static_cast<HWND>(window), pumpMessage, 0, 0);
        return 0;
    }

    // The frame the control is activated in.
    ComPtr<IOleInPlaceFrame> frame() const
    {
        ComPtr<IOleInPlaceFrame> frame;
        RECT where{};
        return SUCCEEDED(windowContext(m_inPlaceSite, frame, where)) ? frame : nullptr;
    }

    void disableModelessWindowsForAMoment(bool nested)
    {
        const ComPtr<IOleInPlaceFrame> held = frame();
        if (!held)
            return;
        held->EnableModeless(FALSE);
        if (nested) {
            held->EnableModeless(FALSE);
            pumpMessages(100);
            held->EnableModeless(TRUE);
            fireTexts({L"between"});
        }
        pumpMessages(nested ? 100 : 300);
        held->EnableModeless(TRUE);
    }

    // A modeless dialog relies on its container's message loop for Tab, Enter and Esc, and the
    // control's keyboard shortcuts on its frame asking the active object first.
    void showModelessDialog()
    {
        const HWND dialog =
            CreateDialogParamW(module, L"MODELESS", GetAncestor(m_window, GA_ROOT),
                               &StrictControl::dialogProcedure, reinterpret_cast<LPARAM>(this));
        SetWindowTextW(dialog, titled(L"Strict control dialog").c_str());
        if (const ComPtr<IOleInPlaceFrame> held = frame())
            held->SetActiveObject(this, L"Strict control");
    }

    static INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        }
        if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL))
            return FALSE;
        auto *self = reinterpret_cast<StrictControl *>(GetWindowLongPtrW(dialog, DWLP_USER));
        self->fireTexts({L"dialog", LOWORD(wParam) == IDOK ? L"ok" : L"cancel"});
        if (const ComPtr<IOleInPlaceFrame> held = self->frame())
            held->SetActiveObject(nullptr, nullptr);
        DestroyWindow(dialog);
        return TRUE;
    }

    static void printOnStandardOutput()
    {
        std::printf("printed on standard output\n");
        std::fflush(stdout);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "written there\n", 14, &written, nullptr);
    }

    // What a container gives its controls; each missing or wrong one fails with its own code.
    HRESULT readAmbientProperties()
    {
        ComPtr<IDispatch> ambient;
        if (FAILED(m_site->QueryInterface(IID_PPV_ARGS(&ambient))))
            return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x310);
        const auto read = [&](DISPID property) { return Property(ambient.Get(), property); };
        const auto isColour = [&](DISPID property) {
            const VARTYPE kind = read(property).kind();
            return kind == VT_I4 || kind == VT_UI4;
        };
        const Property font = read(DISPID_AMBIENT_FONT);
        ComPtr<IFontDisp> fontDisp;
        ComPtr<IOleControlSite> controlSite;
        DISPID unknownId = 0;
        return firstFailure(
            0x311, {read(DISPID_AMBIENT_USERMODE).isBool(VARIANT_TRUE),
                    read(DISPID_AMBIENT_UIDEAD).isBool(VARIANT_FALSE),
                    read(DISPID_AMBIENT_LOCALEID).kind() == VT_I4,
                    read(DISPID_AMBIENT_DISPLAYNAME).isText(L"Hearthwick1"),
                    (font.kind() == VT_DISPATCH || font.kind() == VT_UNKNOWN) && V_UNKNOWN(&font) &&
                        SUCCEEDED(V_UNKNOWN(&font)->QueryInterface(IID_PPV_ARGS(&fontDisp))),
                    isColour(DISPID_AMBIENT_FORECOLOR), isColour(DISPID_AMBIENT_BACKCOLOR),
                    read(DISPID_AMBIENT_MESSAGEREFLECT).isBool(VARIANT_FALSE),
                    SUCCEEDED(m_site->QueryInterface(IID_PPV_ARGS(&controlSite))),
                    memberNamed(ambient.Get(), L"NoSuchAmbientProperty", &unknownId) ==
                            DISP_E_UNKNOWNNAME &&
                        unknownId == DISPID_UNKNOWN});
    }

    // What its extender says, read by name as controls of the classic visual tools read it;
    // each missing or wrong one fails with its own code.
    HRESULT readExtender()
    {
        ComPtr<IOleControlSite> controlSite;
        ComPtr<IDispatch> extender;
        if (FAILED(m_site->QueryInterface(IID_PPV_ARGS(&controlSite))))
            return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x320);
        if (FAILED(controlSite->GetExtendedControl(&extender)) || !extender)
            return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x321);
        const Property parent(extender.Get(), L"Parent");
        DISPID unknownId = 0;
        return firstFailure(
            0x322, {Property(extender.Get(), L"Name").isText(L"Hearthwick1"),
                    Property(extender.Get(), L"Visible").kind() == VT_BOOL,
                    Property(parent.kind() == VT_DISPATCH ? V_DISPATCH(&parent) : nullptr, L"Name")
                        .isText(L"Form1"),
                    memberNamed(extender.Get(), L"Tag", &unknownId) == DISP_E_UNKNOWNNAME});
    }

    LONG m_references = 1;
    ComPtr<ITypeLib> m_library;
    ComPtr<ITypeInfo> m_typeInfo;
    ComPtr<IOleClientSite> m_site;
    IOleInPlaceSite *m_inPlaceSite = nullptr;
    HWND m_window = nullptr;
    WNDPROC m_staticProcedure = nullptr;
    bool m_initialised = false;
    bool m_busy = false;
    bool m_inItsOwnHandler = false;
    Failure m_failure = Failure::None;
    std::wstring m_failureText;
    std::wstring m_later;
    // The verb and text of the echo after the message loop.
    std::pair<std::wstring, std::wstring> m_pump;
    std::vector<HANDLE> m_threads;
    LONG m_perThread = 0;
    LONG m_started = 0;
    Point m_eventPoint{this, eventsId};
    Point m_propertyPoint{this, IID_IPropertyNotifySink};
    Point m_statusPoint{this, statusId};
};

} // namespace

const CLSID serverClassId = classId;
const DWORD serverMiscStatus = miscStatus;

#ifdef KV27_NEEDS_RUNTIME
extern "C" __declspec(dllimport) int runtimeVersion();
#endif

IUnknown *createControl()
{
#ifdef KV27_NEEDS_RUNTIME
    // As controls of the classic tools call into their language's runtime.
    runtimeVersion();
#endif
    if (isVariant(L"slow"))
        Sleep(5000);
    return static_cast<IDispatch *>(new StrictControl);
}
