#include "event_sink.h"

#include "event_source.h"
#include "host_wire.h"
#include "variant_value.h"

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

} // namespace

EventConnection::EventConnection(MessageWriter &writer)
    : m_writer(writer)
{}

EventConnection::~EventConnection()
{
    disconnect();
}

bool EventConnection::connect(IUnknown *control, const CLSID &classId)
{
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    const auto source = findEventSource(control, classId);
    if (!source || FAILED(control->QueryInterface(IID_PPV_ARGS(&container))) ||
        FAILED(container->FindConnectionPoint(source->events, &point)))
        return false;
    advise(point.Get(), source->events, source->actionEvent);
    return !m_advised.empty();
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
