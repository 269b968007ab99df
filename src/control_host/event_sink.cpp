#include "event_sink.h"

#include "dispatch_object.h"
#include "host_wire.h"
#include "variant_value.h"

#include <new>

namespace {

// The event interface is a dispatch interface: its calls arrive as Invoke.
class EventSink final : public DispatchObject {
public:
    EventSink(MessageWriter &writer, const IID &events, DISPID actionEvent)
        : DispatchObject(events)
        , m_writer(writer)
        , m_actionEvent(actionEvent)
    {}

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
                values[i] = i < count ? wireValue(parameters->rgvarg[count - 1 - i])
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
    MessageWriter &m_writer;
    DISPID m_actionEvent;
};

} // namespace

IDispatch *newEventSink(MessageWriter &writer, const IID &events, DISPID actionEvent)
{
    return new EventSink(writer, events, actionEvent);
}
