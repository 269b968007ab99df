#pragma once

#include "host_wire.h"

#include <windows.h>

// One value of a reported action as the wire carries it. Values passed by reference are read
// through.
HostWire::Value wireValue(const VARIANT &value);
