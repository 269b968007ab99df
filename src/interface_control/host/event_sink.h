#pragma once

#include "message_writer.h"

#include <ocidl.h>
#include <vector>
#include <windows.h>
#include <wrl/client.h>

// Listens to the control's ActionEvent on its event interface (see event_source.h) and writes
// each one as an action message. Where nothing names ActionEvent, an event that arrives with
// seven arguments is taken for it.
class EventConnection {
public:
    explicit EventConnection(MessageWriter &writer);
    ~EventConnection();

    // Whether the control's event interface is listened to.
    bool connect(IUnknown *control, const CLSID &classId);
    void disconnect();

private:
    void advise(IConnectionPoint *point, const IID &events, DISPID actionEvent);

    MessageWriter &m_writer;
    std::vector<std::pair<Microsoft::WRL::ComPtr<IConnectionPoint>, DWORD>> m_advised;
};
