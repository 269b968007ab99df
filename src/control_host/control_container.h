#pragma once

#include "client_site.h"
#include "com_failure.h"

#include <functional>
#include <oaidl.h>
#include <oleidl.h>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>
#include <wrl/client.h>

// The control, created from its programmatic identifier and sited on a hidden window, since many
// controls do nothing until they are sited and activated.
class ControlContainer {
public:
    // The control asks its container to disable (false) or enable its modeless windows.
    explicit ControlContainer(std::function<void(bool)> onModeless);
    ~ControlContainer();

    std::optional<ComFailure> create(HWND parent, const wchar_t *programmaticId);

    // Calls the control's default method with exactly the verb and the text, both as strings.
    std::optional<ComFailure> sendCommand(const std::wstring &verb, const std::wstring &text);

    IUnknown *control() const { return m_control.Get(); }
    const CLSID &classId() const { return m_classId; }
    void close();

    // Keys go to the control before the window they are for, as in any container: to its active
    // object, for its keyboard shortcuts, and to its modeless dialogs, for Tab, Enter and Esc.
    // Gives whether the control took the key.
    bool takesKey(MSG &message) const;

private:
    Microsoft::WRL::ComPtr<IErrorInfo> controlErrorInfo() const;

    Microsoft::WRL::ComPtr<IUnknown> m_control;
    Microsoft::WRL::ComPtr<IOleObject> m_object;
    Microsoft::WRL::ComPtr<ClientSite> m_site;
    Microsoft::WRL::ComPtr<IDispatch> m_dispatch;
    // The interfaces the control's error objects may be asked for: the dispatch interface and
    // the one its type information says it is.
    std::vector<IID> m_errorInterfaces;
    std::function<void(bool)> m_onModeless;
    CLSID m_classId{};
    HWND m_window = nullptr;
};
