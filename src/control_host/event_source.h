#pragma once

#include <oaidl.h>
#include <variant>
#include <windows.h>

// The outgoing interface a control reports its actions on, and the member of it that is
// ActionEvent (DISPID_UNKNOWN where nothing names it: then the event with seven values is).
struct EventSource {
    IID events;
    DISPID actionEvent;
};

// Why a control offers nothing to listen to: no outgoing interface the sink can take, or only
// ones whose descriptions name no ActionEvent, whether it lists them or only names its default.
enum class NoEventSource { NoneTaken, NoActionEvent };

// Finds the control's event interface as standard containers do: the default source its class
// information names (IProvideClassInfo2, then IProvideClassInfo), then, where that names none,
// its class as the type library behind its IDispatch describes it, then as its registered type
// library does, in the newest version that loads; failing those, the first outgoing interface
// the control lists that such a description names with an ActionEvent, or that the registry
// knows as a dispatch interface. Only a dispatch interface is ever given: the sink takes nothing
// else. The class is the one that creates the control, an emulating class where there is one.
std::variant<EventSource, NoEventSource> findEventSource(IUnknown *control, const CLSID &classId);
