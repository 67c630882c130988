#include "collection.h"

#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <vector>

#include "browser.h"
#include "com_util.h"
#include "faults.h"
#include "shell.h"
#include "type_info.h"

namespace sim {
namespace {

// A walk over the collection with its own cursor. It holds the windows as they
// were when the walk started and passes over those closed since.
class EnumObj final : public IEnumVARIANT {
  public:
    EnumObj(std::vector<std::shared_ptr<BrowserWindow>> windows, size_t pos)
        : windows_(std::move(windows)), pos_(pos) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        return QueryOne<IEnumVARIANT>(this, riid, IID_IEnumVARIANT, out);
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) noexcept override {
        OnClientCall();
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < windows_.size()) {
            auto& w = windows_[pos_++];
            if (w->destroyed)
                continue;
            VariantInit(&out[n]);
            V_VT(&out[n]) = VT_DISPATCH;
            HandOutBrowser(*w, &V_DISPATCH(&out[n]));
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        while (count > 0 && pos_ < windows_.size()) {
            if (!windows_[pos_++]->destroyed)
                --count;
        }
        return count == 0 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = new EnumObj(windows_, pos_);
        return S_OK;
    }

  private:
    RefCount refs_;
    std::vector<std::shared_ptr<BrowserWindow>> windows_;
    size_t pos_;
};

class ShellWindowsObj;

// The DShellWindowsEvents connection point; it lives inside the collection
// object and shares its reference count.
class ConnectionPointObj final : public IConnectionPoint {
  public:
    explicit ConnectionPointObj(IConnectionPointContainer* container) : container_(container) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        return QueryOne<IConnectionPoint>(this, riid, IID_IConnectionPoint, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return container_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return container_->Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override {
        if (!iid)
            return E_POINTER;
        *iid = kDIID_DShellWindowsEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = container_;
        container_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override {
        if (!sink || !cookie)
            return E_POINTER;
        if (HRESULT busy = ShellBusyAnswer("Advise"); FAILED(busy))
            return busy;
        return Shell::Get().Advise(sink, cookie);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override {
        return Shell::Get().Unadvise(cookie);
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) noexcept override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }

  private:
    IConnectionPointContainer* container_;
};

class ShellWindowsObj final : public TypeLibDispatch<IShellWindows, IID_IShellWindows>,
                              public IConnectionPointContainer {
  public:
    ShellWindowsObj() : point_(this) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IShellWindows)
            *out = static_cast<IShellWindows*>(this);
        else if (riid == IID_IConnectionPointContainer)
            *out = static_cast<IConnectionPointContainer*>(this);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) noexcept override {
        if (!count)
            return E_POINTER;
        if (HRESULT busy = ShellBusyAnswer("Count"); FAILED(busy))
            return busy;
        *count = LONG(Shell::Get().Windows().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (HRESULT busy = ShellBusyAnswer("Item"); FAILED(busy))
            return busy;
        Variant i;
        if (V_VT(&index) == VT_EMPTY || FAILED(VariantChangeType(i.Out(), &index, 0, VT_I4)))
            return E_INVALIDARG;
        auto& windows = Shell::Get().Windows();
        LONG n = V_I4(&i.Get());
        // Past the end the shell answers S_FALSE with no window.
        if (n < 0 || size_t(n) >= windows.size())
            return S_FALSE;
        return HandOutBrowser(*windows[size_t(n)], out);
    }
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** out) noexcept override {
        OnClientCall();
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (HRESULT busy = ShellBusyAnswer("_NewEnum"); FAILED(busy))
            return busy;
        *out = static_cast<IEnumVARIANT*>(new EnumObj(Shell::Get().Windows(), 0));
        return S_OK;
    }
    SIM_NOTIMPL(Register, IDispatch*, LONG, int, LONG*)
    SIM_NOTIMPL(RegisterPending, LONG, VARIANT*, VARIANT*, int, LONG*)
    SIM_NOTIMPL(Revoke, LONG)
    SIM_NOTIMPL(OnNavigate, LONG, VARIANT*)
    SIM_NOTIMPL(OnActivated, LONG, VARIANT_BOOL)
    SIM_NOTIMPL(FindWindowSW, VARIANT*, VARIANT*, int, LONG*, int, IDispatch**)
    SIM_NOTIMPL(OnCreated, LONG, IUnknown*)
    SIM_NOTIMPL(ProcessAttachDetach, VARIANT_BOOL)

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                  IConnectionPoint** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid != kDIID_DShellWindowsEvents)
            return CONNECT_E_NOCONNECTION;
        *out = &point_;
        point_.AddRef();
        return S_OK;
    }

  private:
    RefCount refs_;
    ConnectionPointObj point_;
};

}  // namespace

IUnknown* NewCollection() {
    return static_cast<IShellWindows*>(new ShellWindowsObj());
}

}  // namespace sim
