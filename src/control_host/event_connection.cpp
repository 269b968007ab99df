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
