#pragma once

// What makes a test control's DLL an in-process COM server: the class object that creates one
// control per request, and the exports COM looks up. The control's source includes this once
// and defines serverClassId and createControl().

#include <unknwn.h>
#include <windows.h>

extern const CLSID serverClassId;
// A new control, holding one reference.
IUnknown *createControl();

inline HMODULE module = nullptr;

// Lives as long as the DLL, so counts no references.
class ClassObject : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return *object = nullptr, E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        if (outer)
            return *object = nullptr, CLASS_E_NOAGGREGATION;
        IUnknown *control = createControl();
        const HRESULT result = control->QueryInterface(iid, object);
        control->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

inline ClassObject classObject;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void *)
{
    if (reason == DLL_PROCESS_ATTACH)
        module = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID id, REFIID iid, void **object)
{
    return id == serverClassId ? classObject.QueryInterface(iid, object)
                               : CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}
