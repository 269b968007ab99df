#pragma once

#include <functional>
#include <ocidl.h>
#include <oleidl.h>
#include <string>
#include <windows.h>
#include <wrl/client.h>

// The container's side of a control on the host's hidden window: the client site it is sited
// on, the in-place site and frame it is activated in, the control site, and the ambient
// properties it reads, as standard containers offer them. The control is never shown, so there
// is no menu, toolbar or border space to give it, and it runs in user mode.
class ClientSite final : public IOleClientSite,
                         public IOleInPlaceSite,
                         public IOleInPlaceFrame,
                         public IOleControlSite,
                         public IDispatch {
public:
    // The name is the control's name on its form; onModeless hears the control ask for the
    // container's modeless windows to be disabled (false) and enabled again.
    ClientSite(HWND window, std::wstring name, std::function<void(bool)> onModeless)
        : m_window(window)
        , m_name(std::move(name))
        , m_onModeless(std::move(onModeless))
    {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker **moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer **container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for the in-place site and the frame alike
    HRESULT STDMETHODCALLTYPE GetWindow(HWND *window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame **frame,
                                               IOleInPlaceUIWindow **document, RECT *position,
                                               RECT *clip, OLEINPLACEFRAMEINFO *info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(const RECT *) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(RECT *) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(const BORDERWIDTHS *) override
    {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(const BORDERWIDTHS *) override
    {
        return OLE_E_INVALIDRECT;
    }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject *object, LPCOLESTR) override
    {
        m_activeObject = object;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, OLEMENUGROUPWIDTHS *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *, WORD) override { return S_FALSE; }

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch **control) override;
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL *himetric, POINTF *container,
                                              DWORD flags) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG *, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *members) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags,
                                     DISPPARAMS *parameters, VARIANT *result, EXCEPINFO *,
                                     UINT *) override;

    // Offers a key to the control's active object, which has its keyboard shortcuts; gives
    // whether it took it.
    bool offerKey(MSG &message) const
    {
        // Held here: a shortcut that closes the control's dialog may hand the object back,
        // releasing it from the frame, while the call still runs.
        const Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> active = m_activeObject;
        return active && active->TranslateAccelerator(&message) == S_OK;
    }

private:
    ~ClientSite() = default;

    LONG m_references = 1;
    // The control's object that is active in place, as it names it to its frame.
    Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> m_activeObject;
    // The control's calls to disable the container's modeless windows not yet answered.
    int m_disabled = 0;
    HWND m_window;
    std::wstring m_name;
    std::function<void(bool)> m_onModeless;
};
