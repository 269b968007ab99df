#pragma once

#include "message_writer.h"

#include <ocidl.h>
#include <vector>
#include <windows.h>
#include <wrl/client.h>

// The host listening to the control: a sink (event_sink.h) connected to the control's event
// interface (event_source.h) until it is disconnected.
class EventConnection {
public:
    explicit EventConnection(MessageWriter &writer);
    ~EventConnection();

    enum class Outcome { Listening, NoActionEvent, NotConnected };
    Outcome connect(IUnknown *control, const CLSID &classId);
    void disconnect();

private:
    void advise(IConnectionPoint *point, const IID &events, DISPID actionEvent);

    MessageWriter &m_writer;
    std::vector<std::pair<Microsoft::WRL::ComPtr<IConnectionPoint>, DWORD>> m_advised;
};
