#pragma once

#include "message_writer.h"

#include <ocidl.h>
#include <vector>
#include <windows.h>
#include <wrl/client.h>

// Listens to the control's ActionEvent and writes each one as an action message. The event is
// found by name in the control's type information where that describes the event interface;
// otherwise, on the one outgoing interface taken for the event interface, an event that
// arrives with seven arguments is taken for it.
class EventConnection {
public:
    explicit EventConnection(MessageWriter &writer);
    ~EventConnection();

    // Gives how many outgoing interfaces are listened to: one, or none.
    std::size_t connect(IUnknown *control);
    void disconnect();

private:
    void advise(IConnectionPoint *point, const IID &events, DISPID actionEvent);

    MessageWriter &m_writer;
    std::vector<std::pair<Microsoft::WRL::ComPtr<IConnectionPoint>, DWORD>> m_advised;
};
