#include "extender.h"

#include <olectl.h>
#include <utility>
#include <vector>

namespace {

class PropertyObject final : public IDispatch {
public:
    struct Property {
        std::wstring name;
        DISPID member;
        VARIANT value;
    };

    explicit PropertyObject(std::vector<Property> properties)
        : m_properties(std::move(properties))
    {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IDispatch)
            return *object = nullptr, E_NOINTERFACE;
        *object = static_cast<IDispatch *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *members) override
    {
        if (!names || !members)
            return E_POINTER;
        HRESULT outcome = S_OK;
        for (UINT i = 0; i < count; ++i) {
            members[i] = DISPID_UNKNOWN;
            for (const Property &property : m_properties)
                if (names[i] && CompareStringOrdinal(names[i], -1, property.name.c_str(), -1,
                                                     TRUE) == CSTR_EQUAL)
                    members[i] = property.member;
            if (members[i] == DISPID_UNKNOWN)
                outcome = DISP_E_UNKNOWNNAME;
        }
        return outcome;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS *,
                                     VARIANT *result, EXCEPINFO *, UINT *) override
    {
        for (const Property &property : m_properties) {
            if (property.member != member)
                continue;
            if (!(flags & DISPATCH_PROPERTYGET))
                return DISP_E_MEMBERNOTFOUND; // nothing here can be set or called
            if (!result)
                return E_POINTER;
            VariantInit(result);
            return VariantCopy(result, const_cast<VARIANT *>(&property.value));
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ~PropertyObject()
    {
        for (Property &property : m_properties)
            VariantClear(&property.value);
    }

    LONG m_references = 1;
    std::vector<Property> m_properties;
};

VARIANT text(const std::wstring &value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(value.data(), UINT(value.size()));
    return v;
}

VARIANT flag(bool value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

// Takes the reference the object holds.
VARIANT object(IDispatch *value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = value;
    return v;
}

// Not a standard dispatch identifier: the standard ones stop at the parent.
constexpr DISPID visibleMember = 1;
constexpr DISPID captionMember = 2;

} // namespace

IDispatch *newExtender(const std::wstring &controlName, const std::wstring &formName,
                       const std::wstring &formCaption)
{
    IDispatch *form = new PropertyObject(
        {{L"Name", DISPID_Name, text(formName)}, {L"Caption", captionMember, text(formCaption)}});
    return new PropertyObject({{L"Name", DISPID_Name, text(controlName)},
                               {L"Visible", visibleMember, flag(false)},
                               {L"Parent", DISPID_Parent, object(form)}});
}
