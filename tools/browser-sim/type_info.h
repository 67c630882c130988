// Type information the simulator answers with: the registered shdocvw type
// library for the browser and the collection, and coclass type infos made at
// run time for the documents' class names.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <string>

namespace sim {

using Microsoft::WRL::ComPtr;

// Type information of the real browser's interfaces, so late-bound callers
// of the browser and collection objects get the same dispatch ids.
ITypeInfo* ShDocVwInfo(REFIID iid);

// IDispatch of a dual interface, answered from the registered shdocvw type
// library, as the real browser objects answer it.
template <class Interface, const IID& kIid>
class TypeLibDispatch : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (HRESULT hr = Admit("GetTypeInfoCount"); FAILED(hr))
            return hr;
        if (!count)
            return E_POINTER;
        *count = ShDocVwInfo(kIid) ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (HRESULT hr = Admit("GetTypeInfo"); FAILED(hr))
            return hr;
        ITypeInfo* ti = ShDocVwInfo(kIid);
        if (index != 0 || !ti)
            return DISP_E_BADINDEX;
        ti->AddRef();
        *info = ti;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        if (HRESULT hr = Admit("GetIDsOfNames"); FAILED(hr))
            return hr;
        ITypeInfo* ti = ShDocVwInfo(kIid);
        return ti ? DispGetIDsOfNames(ti, names, count, ids) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep,
                                     UINT* argErr) noexcept override {
        ITypeInfo* ti = ShDocVwInfo(kIid);
        if (!ti)
            return E_NOTIMPL;
        return DispInvoke(static_cast<Interface*>(this), ti, id, flags, params, result, excep,
                          argErr);
    }

  protected:
    // Whether the object takes a call now; Invoke leaves it to the member called.
    virtual HRESULT Admit(const char* /*member*/) { return S_OK; }
};

// A coclass type info built at run time, so the document reports a class
// name exactly as the browser's documents do, without a type library file.
HRESULT ClassTypeInfo(const std::wstring& name, ComPtr<ITypeInfo>& out);

}  // namespace sim
