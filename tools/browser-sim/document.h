// The document model a browser window hands out: the document (parentWindow,
// title) with its class name, and the script window object (opener, parent,
// closed, self), all reached by name the way late-bound clients reach them.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "com_util.h"
#include "window.h"

namespace sim {

// An IDispatch of the document model: members reached by name, without regard
// to case, the way script engines and late-bound clients reach them.
class NamedDispatch : public IDispatch {
  public:
    struct Member {
        const wchar_t* name;
        DISPID id;
    };

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* argErr) noexcept override;

  protected:
    // owner is empty for a stand-in that belongs to no simulated frame.
    explicit NamedDispatch(std::weak_ptr<BrowserWindow> owner) : owner_(std::move(owner)) {}
    virtual std::vector<Member> Members() const = 0;
    virtual HRESULT Get(DISPID id, VARIANT* out) = 0;
    virtual HRESULT Put(DISPID, const VARIANT&) { return DISP_E_MEMBERNOTFOUND; }

    // Turns the call away while the owner is busy.
    HRESULT Admit(const char* member);

    std::weak_ptr<BrowserWindow> owner_;
};

// The script window object: document.parentWindow, and what an opener points at.
class HtmlWindowObj final : public NamedDispatch {
  public:
    enum : DISPID { kOpener = 1, kParent, kClosed, kSelf };

    HtmlWindowObj(std::weak_ptr<BrowserWindow> owner, std::string label, ClosedMode closed)
        : NamedDispatch(std::move(owner)), label_(std::move(label)), closed_(closed) {}

    void SetOpener(VARIANT* value) {
        VariantClear(opener_.Out());
        opener_.Get() = *value;  // takes ownership
        VariantInit(value);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override;
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;

  protected:
    std::vector<Member> Members() const override;
    HRESULT Get(DISPID id, VARIANT* out) override;
    HRESULT Put(DISPID id, const VARIANT& value) override;

  private:
    RefCount refs_;
    std::string label_;
    ClosedMode closed_;
    Variant opener_;
};

class DocumentObj final : public NamedDispatch, public IProvideClassInfo {
  public:
    enum : DISPID { kParentWindow = 1, kTitle };

    DocumentObj(std::weak_ptr<BrowserWindow> owner, ComPtr<HtmlWindowObj> window,
                ComPtr<ITypeInfo> classInfo, bool offerClassInfo)
        : NamedDispatch(std::move(owner)),
          window_(std::move(window)),
          classInfo_(std::move(classInfo)),
          offerClassInfo_(offerClassInfo) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override;
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) noexcept override;

  protected:
    std::vector<Member> Members() const override;
    HRESULT Get(DISPID id, VARIANT* out) override;

  private:
    RefCount refs_;
    ComPtr<HtmlWindowObj> window_;
    ComPtr<ITypeInfo> classInfo_;
    bool offerClassInfo_;
};

// Gives the window a new document as its settings describe it, on the thread
// that serves the window: the class name's type info is its apartment's own.
void MakeDocument(BrowserWindow& window);

}  // namespace sim
