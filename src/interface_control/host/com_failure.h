#pragma once

#include <string>
#include <windows.h>

// Why a call into COM failed, as the program shows it: the HRESULT and a description.
struct ComFailure {
    HRESULT code = E_FAIL;
    std::wstring description;
};

// The system's own description of an HRESULT, or a note that it has none.
std::wstring describe(HRESULT code);

ComFailure comFailure(HRESULT code);

// What an exception raised by IDispatch::Invoke says; fills in deferred details first.
ComFailure comFailure(HRESULT invokeResult, EXCEPINFO &exception);

// "0x80020009"
std::string hexCode(HRESULT code);
