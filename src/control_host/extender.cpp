#include "extender.h"

#include "dispatch_object.h"

#include <olectl.h>
#include <utility>
#include <vector>

namespace {

class PropertyObject final : public DispatchObject {
public:
    struct Property {
        const wchar_t *name;
        DISPID member;
        VARIANT value;
    };

    explicit PropertyObject(std::vector<Property> properties)
        : m_properties(std::move(properties))
    {}

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *members) override
    {
        return membersNamed(m_properties, names, count, members);
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
    ~PropertyObject() override
    {
        for (Property &property : m_properties)
            VariantClear(&property.value);
    }

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
