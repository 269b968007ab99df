#include "event_connection.h"

#include "event_sink.h"
#include "event_source.h"

using Microsoft::WRL::ComPtr;

EventConnection::EventConnection(MessageWriter &writer)
    : m_writer(writer)
{}

EventConnection::~EventConnection()
{
    disconnect();
}

EventConnection::Outcome EventConnection::connect(IUnknown *control, const CLSID &classId)
{
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    const auto found = findEventSource(control, classId);
    if (const auto *none = std::get_if<NoEventSource>(&found))
        return *none == NoEventSource::NoActionEvent ? Outcome::NoActionEvent
                                                     : Outcome::NotConnected;
    const auto &source = std::get<EventSource>(found);
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&container))) ||
        FAILED(container->FindConnectionPoint(source.events, &point)))
        return Outcome::NotConnected;
    advise(point.Get(), source.events, source.actionEvent);
    return m_advised.empty() ? Outcome::NotConnected : Outcome::Listening;
}

void EventConnection::advise(IConnectionPoint *point, const IID &events, DISPID actionEvent)
{
    IDispatch *sink = newEventSink(m_writer, events, actionEvent);
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
