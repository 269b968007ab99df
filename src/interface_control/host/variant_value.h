#pragma once

#include <nlohmann/json.hpp>
#include <windows.h>

// One value of a reported action as the program reads it: {"kind": "empty"}, {"kind": "null"},
// {"kind": "text", "text": ...} or {"kind": "number", "whole": ...} or
// {"kind": "number", "fraction": ...}. A fraction that is not finite is "NaN", "Infinity" or
// "-Infinity". Values passed by reference are read through.
nlohmann::json eventValue(const VARIANT &value);
