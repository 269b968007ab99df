#pragma once

#include "com_failure.h"

#include <string>
#include <windows.h>

// Why the control could not be created, as the registry and the control's file tell it, in words
// a user can act on: not installed at all, installed for programs of the other bitness only,
// registered with a file that is missing or of the other bitness, or registered only as a
// program of its own. The class is null when even the programmatic identifier could not be
// resolved. The name is how the messages name the control.
ComFailure whyNotCreated(const std::wstring &name, const std::wstring &programmaticId,
                         const CLSID *classId, HRESULT result);
