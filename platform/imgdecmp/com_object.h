// IUnknown for the stand-in's small COM objects: reference counting and
// QueryInterface over IUnknown plus the interfaces the object names.
#pragma once

#include <windows.h>
#include <unknwn.h>

// Interface is the object's most derived interface; riids lists the IIDs it
// answers besides IUnknown (null-terminated).
template <class Interface>
class ComObject : public Interface
{
public:
    explicit ComObject(const IID* const* pExtraIids) : m_cRef(1), m_pExtraIids(pExtraIids) {}
    virtual ~ComObject() {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        bool bKnown = riid == IID_IUnknown;
        for (const IID* const* p = m_pExtraIids; !bKnown && p && *p; p++)
            bKnown = riid == **p;
        if (!bKnown)
        {
            *ppv = NULL;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG cRef = InterlockedDecrement(&m_cRef);
        if (cRef == 0)
            delete this;
        return cRef;
    }

private:
    volatile LONG m_cRef;
    const IID* const* m_pExtraIids;
};
