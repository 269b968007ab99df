#include "event_source.h"

#include <algorithm>
#include <ocidl.h>
#include <optional>
#include <string>
#include <vector>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// Whether calls through the interface arrive as IDispatch::Invoke, which is all the sink takes.
bool isDispatchBased(ITypeInfo *info)
{
    TYPEATTR *attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)))
        return false;
    const bool dispatchBased =
        attributes->typekind == TKIND_DISPATCH ||
        (attributes->typekind == TKIND_INTERFACE && (attributes->wTypeFlags & TYPEFLAG_FDUAL));
    info->ReleaseTypeAttr(attributes);
    return dispatchBased;
}

DISPID actionEventOf(ITypeInfo *events)
{
    wchar_t name[] = L"ActionEvent";
    LPOLESTR names[] = {name};
    DISPID actionEvent = DISPID_UNKNOWN;
    if (FAILED(events->GetIDsOfNames(names, 1, &actionEvent)))
        return DISPID_UNKNOWN;
    return actionEvent;
}

std::wstring guidText(const GUID &guid)
{
    wchar_t written[40];
    StringFromGUID2(guid, written, 40);
    return written;
}

std::wstring registryText(const std::wstring &key)
{
    wchar_t text[64] = L"";
    LONG size = sizeof text;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), text, &size) != ERROR_SUCCESS)
        return {};
    return text;
}

// The type library registered for the class, in its newest registered version that loads: a
// newer one may be registered for the other bitness only.
ComPtr<ITypeLib> registeredLibrary(const CLSID &classId)
{
    const std::wstring libraryId = registryText(L"CLSID\\" + guidText(classId) + L"\\TypeLib");
    GUID library;
    if (libraryId.empty() || FAILED(CLSIDFromString(libraryId.c_str(), &library)))
        return nullptr;
    HKEY versions = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"TypeLib\\" + libraryId).c_str(), 0,
                      KEY_ENUMERATE_SUB_KEYS, &versions) != ERROR_SUCCESS)
        return nullptr;
    std::vector<unsigned long> registered;
    wchar_t version[64];
    for (DWORD i = 0, length = 64; RegEnumKeyExW(versions, i, version, &length, nullptr, nullptr,
                                                 nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 64) {
        wchar_t *point = nullptr;
        const unsigned long major = wcstoul(version, &point, 16);
        const unsigned long minor = *point == L'.' ? wcstoul(point + 1, nullptr, 16) : 0;
        registered.push_back((major << 16) | minor);
    }
    RegCloseKey(versions);
    std::sort(registered.rbegin(), registered.rend());
    for (const unsigned long newest : registered)
        if (ComPtr<ITypeLib> loaded;
            SUCCEEDED(LoadRegTypeLib(library, WORD(newest >> 16), WORD(newest), 0, &loaded)))
            return loaded;
    return nullptr;
}

// Every type library that describes the control, in the order containers ask for them.
std::vector<ComPtr<ITypeLib>> librariesOf(IUnknown *control, const CLSID &classId,
                                          ComPtr<ITypeInfo> &classInfo)
{
    std::vector<ComPtr<ITypeLib>> libraries;
    const auto addContaining = [&](ITypeInfo *info) {
        ComPtr<ITypeLib> library;
        UINT index = 0;
        if (info && SUCCEEDED(info->GetContainingTypeLib(&library, &index)))
            libraries.push_back(library);
    };
    if (ComPtr<IProvideClassInfo> provider;
        SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&provider))) &&
        SUCCEEDED(provider->GetClassInfo(&classInfo)))
        addContaining(classInfo.Get());
    ComPtr<IDispatch> dispatch;
    ComPtr<ITypeInfo> interfaceInfo;
    UINT count = 0;
    if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&dispatch))) &&
        SUCCEEDED(dispatch->GetTypeInfoCount(&count)) && count > 0 &&
        SUCCEEDED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &interfaceInfo)))
        addContaining(interfaceInfo.Get());
    if (const ComPtr<ITypeLib> registered = registeredLibrary(classId))
        libraries.push_back(registered);
    return libraries;
}

ComPtr<ITypeInfo> describedBy(const std::vector<ComPtr<ITypeLib>> &libraries, const GUID &type)
{
    for (const auto &library : libraries)
        if (ComPtr<ITypeInfo> described; SUCCEEDED(library->GetTypeInfoOfGuid(type, &described)))
            return described;
    return nullptr;
}

std::optional<EventSource> dispatchSource(ITypeInfo *events)
{
    TYPEATTR *attributes = nullptr;
    if (!isDispatchBased(events) || FAILED(events->GetTypeAttr(&attributes)))
        return std::nullopt;
    const EventSource source{attributes->guid, actionEventOf(events)};
    events->ReleaseTypeAttr(attributes);
    return source;
}

// A coclass that names a default outgoing interface without ActionEvent.
struct NamedWithoutActionEvent {};

// The coclass's default outgoing interface, where it is a dispatch interface with ActionEvent; or
// that it names one without, which is not the one the control reports on; or nothing.
std::variant<std::monostate, EventSource, NamedWithoutActionEvent>
defaultSourceOf(ITypeInfo *coclass)
{
    TYPEATTR *attributes = nullptr;
    if (!coclass || FAILED(coclass->GetTypeAttr(&attributes)))
        return {};
    const UINT interfaceCount = attributes->cImplTypes;
    coclass->ReleaseTypeAttr(attributes);
    constexpr INT defaultSource = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
    for (UINT i = 0; i < interfaceCount; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        ComPtr<ITypeInfo> events;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags)) ||
            (flags & defaultSource) != defaultSource ||
            FAILED(coclass->GetRefTypeOfImplType(i, &reference)) ||
            FAILED(coclass->GetRefTypeInfo(reference, &events)))
            continue;
        const auto source = dispatchSource(events.Get());
        if (source && source->actionEvent != DISPID_UNKNOWN)
            return *source;
        return NamedWithoutActionEvent{};
    }
    return {};
}

// Interfaces registered with the dispatch proxy are dispatch interfaces; dual ones are too.
bool registeredAsDispatch(const IID &events)
{
    const std::wstring proxy =
        registryText(L"Interface\\" + guidText(events) + L"\\ProxyStubClsid32");
    return proxy == L"{00020420-0000-0000-C000-000000000046}" ||
           proxy == L"{00020424-0000-0000-C000-000000000046}";
}

// The first outgoing interface the control lists that is described with an ActionEvent, or that
// the registry knows as a dispatch interface; or why there is none.
std::variant<EventSource, NoEventSource>
listedSource(IUnknown *control, const std::vector<ComPtr<ITypeLib>> &libraries)
{
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IEnumConnectionPoints> points;
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&container))) ||
        FAILED(container->EnumConnectionPoints(&points)))
        return NoEventSource::NoneTaken;
    std::optional<EventSource> registered;
    bool withoutActionEvent = false;
    ComPtr<IConnectionPoint> point;
    while (points->Next(1, point.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        IID events;
        if (FAILED(point->GetConnectionInterface(&events)) || events == IID_IPropertyNotifySink)
            continue;
        if (const ComPtr<ITypeInfo> described = describedBy(libraries, events)) {
            const auto source = dispatchSource(described.Get());
            if (source && source->actionEvent != DISPID_UNKNOWN)
                return *source;
            withoutActionEvent = withoutActionEvent || source;
        } else if (!registered && registeredAsDispatch(events)) {
            registered = EventSource{events, DISPID_UNKNOWN};
        }
    }
    if (registered)
        return *registered;
    return withoutActionEvent ? NoEventSource::NoActionEvent : NoEventSource::NoneTaken;
}

} // namespace

std::variant<EventSource, NoEventSource> findEventSource(IUnknown *control, const CLSID &classId)
{
    ComPtr<ITypeInfo> classInfo;
    const std::vector<ComPtr<ITypeLib>> libraries = librariesOf(control, classId, classInfo);
    // Whether a description names the control's default events without ActionEvent: where the
    // control then lists nothing better, that, not silence, is why it cannot be listened to.
    bool namedWithoutActionEvent = false;
    if (ComPtr<IProvideClassInfo2> provider;
        SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&provider)))) {
        // A dispatch interface by the call's contract, whether or not a library describes it;
        // one described without ActionEvent is not the one the control reports on.
        if (GUID events; SUCCEEDED(provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events)) &&
                         events != GUID_NULL) {
            const ComPtr<ITypeInfo> described = describedBy(libraries, events);
            const DISPID actionEvent = described ? actionEventOf(described.Get()) : DISPID_UNKNOWN;
            if (!described || actionEvent != DISPID_UNKNOWN)
                return EventSource{events, actionEvent};
            namedWithoutActionEvent = true;
        }
    }
    const auto named = defaultSourceOf(classInfo.Get());
    if (const auto *source = std::get_if<EventSource>(&named))
        return *source;
    namedWithoutActionEvent =
        namedWithoutActionEvent || std::holds_alternative<NamedWithoutActionEvent>(named);
    // A control whose own class information names its events is taken at its word: no other
    // description of its class is asked.
    if (std::holds_alternative<std::monostate>(named))
        for (const auto &library : libraries)
            if (ComPtr<ITypeInfo> coclass;
                SUCCEEDED(library->GetTypeInfoOfGuid(classId, &coclass))) {
                const auto described = defaultSourceOf(coclass.Get());
                if (const auto *source = std::get_if<EventSource>(&described))
                    return *source;
                namedWithoutActionEvent =
                    namedWithoutActionEvent ||
                    std::holds_alternative<NamedWithoutActionEvent>(described);
            }
    const auto listed = listedSource(control, libraries);
    if (const auto *none = std::get_if<NoEventSource>(&listed);
        none && *none == NoEventSource::NoneTaken && namedWithoutActionEvent)
        return NoEventSource::NoActionEvent;
    return listed;
}
