#pragma once

#include "com_failure.h"

#include <oaidl.h>
#include <optional>
#include <string>
#include <windows.h>
#include <wrl/client.h>

// The control, created from its programmatic identifier and sited on a hidden window through
// the system's ATL control host, since many controls do nothing until they are sited.
class ControlSite {
public:
    ~ControlSite();

    std::optional<ComFailure> create(HWND parent, const wchar_t *programmaticId);

    // Calls the control's default method with exactly the verb and the text, both as strings.
    std::optional<ComFailure> sendCommand(const std::wstring &verb, const std::wstring &text);

    IUnknown *control() const { return m_control.Get(); }
    void close();

private:
    Microsoft::WRL::ComPtr<IErrorInfo> controlErrorInfo() const;

    Microsoft::WRL::ComPtr<IUnknown> m_control;
    Microsoft::WRL::ComPtr<IUnknown> m_container;
    Microsoft::WRL::ComPtr<IDispatch> m_dispatch;
    HWND m_window = nullptr;
};
