#pragma once

#include <oaidl.h>
#include <windows.h>

struct NamedMember {
    const wchar_t *name;
    DISPID member;
};

// Answers IDispatch::GetIDsOfNames from a table of members with their names, matching names
// without regard to case, as late binding does.
template <typename Table>
HRESULT membersNamed(const Table &table, LPOLESTR *names, UINT count, DISPID *members)
{
    if (!names || !members)
        return E_POINTER;
    HRESULT outcome = S_OK;
    for (UINT i = 0; i < count; ++i) {
        members[i] = DISPID_UNKNOWN;
        for (const auto &entry : table)
            if (names[i] && CompareStringOrdinal(names[i], -1, entry.name, -1, TRUE) == CSTR_EQUAL)
                members[i] = entry.member;
        if (members[i] == DISPID_UNKNOWN)
            outcome = DISP_E_UNKNOWNNAME;
    }
    return outcome;
}

// A COM object of one dispatch interface that has no type information of its own: it counts its
// references, from any thread, and answers for IUnknown, IDispatch and the interface it is
// given, whose calls arrive as IDispatch::Invoke. Made with one reference.
class DispatchObject : public IDispatch {
public:
    explicit DispatchObject(const IID &dispatchInterface = IID_IDispatch)
        : m_interface(dispatchInterface)
    {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != m_interface)
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

protected:
    virtual ~DispatchObject() = default;

private:
    LONG m_references = 1;
    IID m_interface;
};
