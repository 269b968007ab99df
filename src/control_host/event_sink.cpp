#include "event_sink.h"

#include "host_wire.h"
#include "variant_value.h"

#include <new>

namespace {

class EventSink final : public IDispatch {
public:
    EventSink(MessageWriter &writer, const IID &events, DISPID actionEvent)
        : m_writer(writer)
        , m_events(events)
        , m_actionEvent(actionEvent)
    {}

    // The event interface is a dispatch interface: its calls arrive as Invoke.
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
                                       ? count == ControlContract::actionValueCount
                                       : member == m_actionEvent;
        if (!isActionEvent)
            return S_OK;
        // Nothing thrown may unwind into the control's frames: the event is refused instead.
        try {
            // Arguments arrive last first. A value the control left out reads as empty.
            std::array<HostWire::Value, ControlContract::actionValueCount> values;
            for (UINT i = 0; i < values.size(); ++i)
                values[i] = i < count ? eventValue(parameters->rgvarg[count - 1 - i])
                                      : HostWire::emptyValue();
            m_writer.write(HostWire::actionLine(values));
            return S_OK;
        } catch (const std::bad_alloc &) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

private:
    ~EventSink() = default;

    LONG m_references = 1;
    MessageWriter &m_writer;
    IID m_events;
    DISPID m_actionEvent;
};

} // namespace

IDispatch *newEventSink(MessageWriter &writer, const IID &events, DISPID actionEvent)
{
    return new EventSink(writer, events, actionEvent);
}
