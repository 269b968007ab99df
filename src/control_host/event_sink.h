#pragma once

#include "message_writer.h"

#include <oaidl.h>
#include <windows.h>

// A new sink for the control's event interface that writes each ActionEvent as an action
// message, holding one reference. Where nothing names ActionEvent (DISPID_UNKNOWN), an event that
// arrives with seven arguments is taken for it. Controls may raise events from threads of their
// own: the sink touches nothing but the writer, which takes care of that.
IDispatch *newEventSink(MessageWriter &writer, const IID &events, DISPID actionEvent);
