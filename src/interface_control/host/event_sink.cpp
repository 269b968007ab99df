#include "event_sink.h"

#include "host_wire.h"
#include "variant_value.h"

#include <optional>

using Microsoft::WRL::ComPtr;

namespace {

// Controls may raise events from threads of their own, so nothing here touches shared state
// but the writer, which takes care of that.
class EventSink final : public IDispatch {
public:
    EventSink(MessageWriter &writer, const IID &events, DISPID actionEvent)
        : m_writer(writer)
        , m_events(events)
        , m_actionEvent(actionEvent)
    {}

    // The event interface is one found to be dispatch-based, or at least not found otherwise.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == m_events) {
            *object = static_cast<IDispatch *>(this);
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
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *parameters,
                                     VARIANT *, EXCEPINFO *, UINT *) override
    {
        const UINT count = parameters ? parameters->cArgs : 0;
        const bool isActionEvent = m_actionEvent == DISPID_UNKNOWN
                                       ? count == ControlWire::actionValueCount
                                       : member == m_actionEvent;
        if (!isActionEvent)
            return S_OK;
        // Arguments arrive last first.
        // A value the control left out reads as empty.
        std::array<HostWire::Value, ControlWire::actionValueCount> values;
        for (UINT i = 0; i < values.size(); ++i)
            values[i] =
                i < count ? eventValue(parameters->rgvarg[count - 1 - i]) : HostWire::emptyValue();
        m_writer.write(HostWire::actionLine(values));
        return S_OK;
    }

private:
    ~EventSink() = default;

    LONG m_references = 1;
    MessageWriter &m_writer;
    IID m_events;
    DISPID m_actionEvent;
};

struct EventSource {
    IID events;
    DISPID actionEvent;
};

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

// The control's own description of an outgoing interface, where its type library has one.
ComPtr<ITypeInfo> describedInterface(IUnknown *control, const IID &events)
{
    ComPtr<IProvideClassInfo> provider;
    ComPtr<ITypeInfo> coclass;
    ComPtr<ITypeLib> library;
    ComPtr<ITypeInfo> described;
    UINT index = 0;
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&provider))) ||
        FAILED(provider->GetClassInfo(&coclass)) ||
        FAILED(coclass->GetContainingTypeLib(&library, &index)) ||
        FAILED(library->GetTypeInfoOfGuid(events, &described)))
        return nullptr;
    return described;
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

// The default outgoing interface of the control's class and the identifier of its ActionEvent,
// where the class's description has both.
std::optional<EventSource> describedSource(IUnknown *control)
{
    ComPtr<IProvideClassInfo> provider;
    ComPtr<ITypeInfo> coclass;
    TYPEATTR *classAttributes = nullptr;
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&provider))) ||
        FAILED(provider->GetClassInfo(&coclass)) || FAILED(coclass->GetTypeAttr(&classAttributes)))
        return std::nullopt;
    const UINT interfaceCount = classAttributes->cImplTypes;
    coclass->ReleaseTypeAttr(classAttributes);

    constexpr INT defaultSource = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
    for (UINT i = 0; i < interfaceCount; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        ComPtr<ITypeInfo> events;
        TYPEATTR *attributes = nullptr;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags)) ||
            (flags & defaultSource) != defaultSource ||
            FAILED(coclass->GetRefTypeOfImplType(i, &reference)) ||
            FAILED(coclass->GetRefTypeInfo(reference, &events)) || !isDispatchBased(events.Get()) ||
            FAILED(events->GetTypeAttr(&attributes)))
            continue;
        EventSource source{attributes->guid, actionEventOf(events.Get())};
        events->ReleaseTypeAttr(attributes);
        // A default event interface without the event is not the one the control reports on.
        if (source.actionEvent == DISPID_UNKNOWN)
            return std::nullopt;
        return source;
    }
    return std::nullopt;
}

} // namespace

EventConnection::EventConnection(MessageWriter &writer)
    : m_writer(writer)
{}

EventConnection::~EventConnection()
{
    disconnect();
}

std::size_t EventConnection::connect(IUnknown *control)
{
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&container))))
        return 0;

    ComPtr<IConnectionPoint> point;
    if (const auto source = describedSource(control);
        source && SUCCEEDED(container->FindConnectionPoint(source->events, &point)))
        advise(point.Get(), source->events, source->actionEvent);
    if (!m_advised.empty())
        return m_advised.size();

    // The type information named no event interface that could be listened to. Of the outgoing
    // interfaces the control lists, the one its type library describes with an ActionEvent is
    // the event interface; where none is, the first that may take the sink is taken for it.
    // Property-change notifications and interfaces described as not dispatch-based never take
    // the sink, and events come from the one interface listened to only.
    ComPtr<IEnumConnectionPoints> points;
    if (FAILED(container->EnumConnectionPoints(&points)))
        return 0;
    std::vector<std::pair<ComPtr<IConnectionPoint>, EventSource>> named;
    std::vector<std::pair<ComPtr<IConnectionPoint>, EventSource>> unnamed;
    while (points->Next(1, point.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        IID events;
        if (FAILED(point->GetConnectionInterface(&events)) || events == IID_IPropertyNotifySink)
            continue;
        const ComPtr<ITypeInfo> described = describedInterface(control, events);
        if (!described)
            unnamed.push_back({point, {events, DISPID_UNKNOWN}});
        else if (isDispatchBased(described.Get()))
            if (const DISPID actionEvent = actionEventOf(described.Get());
                actionEvent != DISPID_UNKNOWN)
                named.push_back({point, {events, actionEvent}});
    }
    named.insert(named.end(), unnamed.begin(), unnamed.end());
    for (const auto &[candidate, source] : named) {
        advise(candidate.Get(), source.events, source.actionEvent);
        if (!m_advised.empty())
            break;
    }
    return m_advised.size();
}

void EventConnection::advise(IConnectionPoint *point, const IID &events, DISPID actionEvent)
{
    auto *sink = new EventSink(m_writer, events, actionEvent);
    DWORD cookie = 0;
    if (SUCCEEDED(point->Advise(sink, &cookie)))
        m_advised.emplace_back(point, cookie);
    sink->Release();
}

void EventConnection::disconnect()
{
    for (auto &[point, cookie] : m_advised)
        point->Unadvise(cookie);
    m_advised.clear();
}
