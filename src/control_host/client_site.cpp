#include "client_site.h"

#include "control_contract.h"
#include "dispatch_object.h"
#include "extender.h"
#include "wide_text.h"

#include <array>
#include <cstdlib>
#include <olectl.h>
#include <utility>

namespace {

// The ambient properties standard containers give, by the names their type information has.
constexpr std::array<NamedMember, 11> ambientNames{{
    {L"BackColor", DISPID_AMBIENT_BACKCOLOR},
    {L"DisplayName", DISPID_AMBIENT_DISPLAYNAME},
    {L"Font", DISPID_AMBIENT_FONT},
    {L"ForeColor", DISPID_AMBIENT_FORECOLOR},
    {L"LocaleID", DISPID_AMBIENT_LOCALEID},
    {L"MessageReflect", DISPID_AMBIENT_MESSAGEREFLECT},
    {L"UserMode", DISPID_AMBIENT_USERMODE},
    {L"UIDead", DISPID_AMBIENT_UIDEAD},
    {L"ShowGrabHandles", DISPID_AMBIENT_SHOWGRABHANDLES},
    {L"ShowHatching", DISPID_AMBIENT_SHOWHATCHING},
    {L"DisplayAsDefault", DISPID_AMBIENT_DISPLAYASDEFAULT},
}};

void setBool(VARIANT *result, bool value)
{
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// A system colour, as OLE_COLOR names one.
void setColour(VARIANT *result, int systemColour)
{
    V_VT(result) = VT_I4;
    V_I4(result) = LONG(0x80000000u | unsigned(systemColour));
}

// The font the system gives dialogs, which a control that draws text would match.
HRESULT setFont(VARIANT *result)
{
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    const HDC screen = GetDC(nullptr);
    const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    FONTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.lpstrName = font.lfFaceName;
    // Points, in units of 1/10,000.
    description.cySize.int64 = LONGLONG(MulDiv(std::abs(font.lfHeight), 72 * 10000, dotsPerInch));
    description.sWeight = SHORT(font.lfWeight);
    description.sCharset = font.lfCharSet;
    description.fItalic = font.lfItalic;
    description.fUnderline = font.lfUnderline;
    description.fStrikethrough = font.lfStrikeOut;
    IFontDisp *created = nullptr;
    if (const HRESULT outcome = OleCreateFontIndirect(&description, IID_PPV_ARGS(&created));
        FAILED(outcome))
        return outcome;
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = created;
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE ClientSite::QueryInterface(REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite *>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite *>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame *>(this);
    else if (iid == IID_IOleControlSite)
        *object = static_cast<IOleControlSite *>(this);
    else if (iid == IID_IDispatch)
        *object = static_cast<IDispatch *>(this);
    else
        return *object = nullptr, E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE ClientSite::AddRef()
{
    return InterlockedIncrement(&m_references);
}

ULONG STDMETHODCALLTYPE ClientSite::Release()
{
    const ULONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ClientSite::GetMoniker(DWORD, DWORD, IMoniker **moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

// The control stands alone: there is no document holding other objects.
HRESULT STDMETHODCALLTYPE ClientSite::GetContainer(IOleContainer **container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ClientSite::GetWindow(HWND *window)
{
    if (!window)
        return E_POINTER;
    *window = m_window;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ClientSite::GetWindowContext(IOleInPlaceFrame **frame,
                                                       IOleInPlaceUIWindow **document,
                                                       RECT *position, RECT *clip,
                                                       OLEINPLACEFRAMEINFO *info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = this;
    AddRef();
    // The frame is the document window too.
    *document = nullptr;
    GetClientRect(m_window, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(m_window, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ClientSite::GetTypeInfoCount(UINT *count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ClientSite::GetTypeInfo(UINT, LCID, ITypeInfo **info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ClientSite::GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                                    DISPID *members)
{
    return membersNamed(ambientNames, names, count, members);
}

// The control runs for real (user mode), unseen, in the user's language, under the name it has
// on its form, with the system's dialog font and window colours; the host reflects no messages
// back to it.
HRESULT STDMETHODCALLTYPE ClientSite::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS *,
                                             VARIANT *result, EXCEPINFO *, UINT *)
{
    if (!(flags & DISPATCH_PROPERTYGET))
        return DISP_E_MEMBERNOTFOUND;
    if (!result)
        return E_POINTER;
    VariantInit(result);
    switch (member) {
    case DISPID_AMBIENT_USERMODE:
        return setBool(result, true), S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
    case DISPID_AMBIENT_MESSAGEREFLECT:
        return setBool(result, false), S_OK;
    case DISPID_AMBIENT_LOCALEID:
        V_VT(result) = VT_I4;
        V_I4(result) = LONG(GetUserDefaultLCID());
        return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocStringLen(m_name.data(), UINT(m_name.size()));
        return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
    case DISPID_AMBIENT_FONT:
        return setFont(result);
    case DISPID_AMBIENT_FORECOLOR:
        return setColour(result, COLOR_WINDOWTEXT), S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
        return setColour(result, COLOR_WINDOW), S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

// Calls nest, as modal dialogs inside modal dialogs do: the program is enabled again only when
// every call that disabled it has been answered.
HRESULT STDMETHODCALLTYPE ClientSite::EnableModeless(BOOL enable)
{
    if (enable && m_disabled == 0)
        return S_OK;
    m_disabled += enable ? -1 : 1;
    if (m_disabled > 1 || (enable && m_disabled > 0))
        return S_OK;
    // Nothing thrown may unwind into the control's frames.
    try {
        m_onModeless(enable != FALSE);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT STDMETHODCALLTYPE ClientSite::GetExtendedControl(IDispatch **control)
{
    if (!control)
        return E_POINTER;
    try {
        *control = newExtender(m_name, asWide(ControlContract::formName),
                               asWide(ControlContract::programName));
        return S_OK;
    } catch (...) {
        return *control = nullptr, E_OUTOFMEMORY;
    }
}

// Between the control's HIMETRIC (0.01 mm) and the window's pixels.
HRESULT STDMETHODCALLTYPE ClientSite::TransformCoords(POINTL *himetric, POINTF *container,
                                                      DWORD flags)
{
    if (!himetric || !container)
        return E_POINTER;
    const HDC screen = GetDC(m_window);
    const float perInchX = float(GetDeviceCaps(screen, LOGPIXELSX));
    const float perInchY = float(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(m_window, screen);
    constexpr float himetricPerInch = 2540;
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = float(himetric->x) * perInchX / himetricPerInch;
        container->y = float(himetric->y) * perInchY / himetricPerInch;
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = LONG(container->x * himetricPerInch / perInchX + 0.5f);
        himetric->y = LONG(container->y * himetricPerInch / perInchY + 0.5f);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}
