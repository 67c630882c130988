// A simulated browser: its IWebBrowser2 object. Its real windows are its
// frame's (frame.h), so HWND, GetWindowPlacement and a posted WM_CLOSE are real.
#pragma once

#include <exdisp.h>
#include <windows.h>

#include <memory>
#include <string>

#include "com_util.h"
#include "type_info.h"
#include "window.h"

namespace sim {

class BrowserObj final : public TypeLibDispatch<IWebBrowser2, IID_IWebBrowser2> {
  public:
    explicit BrowserObj(std::weak_ptr<BrowserWindow> owner) : owner_(std::move(owner)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser ||
            riid == IID_IWebBrowserApp || riid == IID_IWebBrowser2) {
            *out = static_cast<IWebBrowser2*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)

    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** out) noexcept override;
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* out) noexcept override;
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* out) noexcept override;
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* out) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Width(LONG* out) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Height(LONG* out) noexcept override;
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* out) noexcept override;
    HRESULT STDMETHODCALLTYPE Quit() noexcept override;

    SIM_NOTIMPL(GoBack)
    SIM_NOTIMPL(GoForward)
    SIM_NOTIMPL(GoHome)
    SIM_NOTIMPL(GoSearch)
    SIM_NOTIMPL(Navigate, BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
    SIM_NOTIMPL(Refresh)
    SIM_NOTIMPL(Refresh2, VARIANT*)
    SIM_NOTIMPL(Stop)
    SIM_NOTIMPL(get_Application, IDispatch**)
    SIM_NOTIMPL(get_Parent, IDispatch**)
    SIM_NOTIMPL(get_Container, IDispatch**)
    SIM_NOTIMPL(get_TopLevelContainer, VARIANT_BOOL*)
    SIM_NOTIMPL(get_Type, BSTR*)
    SIM_NOTIMPL(get_Left, LONG*)
    SIM_NOTIMPL(put_Left, LONG)
    SIM_NOTIMPL(get_Top, LONG*)
    SIM_NOTIMPL(put_Top, LONG)
    SIM_NOTIMPL(put_Width, LONG)
    SIM_NOTIMPL(put_Height, LONG)
    SIM_NOTIMPL(get_LocationURL, BSTR*)
    SIM_NOTIMPL(get_Busy, VARIANT_BOOL*)
    SIM_NOTIMPL(ClientToWindow, int*, int*)
    SIM_NOTIMPL(PutProperty, BSTR, VARIANT)
    SIM_NOTIMPL(GetProperty, BSTR, VARIANT*)
    SIM_NOTIMPL(get_Name, BSTR*)
    SIM_NOTIMPL(get_FullName, BSTR*)
    SIM_NOTIMPL(get_Path, BSTR*)
    SIM_NOTIMPL(get_Visible, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Visible, VARIANT_BOOL)
    SIM_NOTIMPL(get_StatusBar, VARIANT_BOOL*)
    SIM_NOTIMPL(put_StatusBar, VARIANT_BOOL)
    SIM_NOTIMPL(get_StatusText, BSTR*)
    SIM_NOTIMPL(put_StatusText, BSTR)
    SIM_NOTIMPL(get_ToolBar, int*)
    SIM_NOTIMPL(put_ToolBar, int)
    SIM_NOTIMPL(put_MenuBar, VARIANT_BOOL)
    SIM_NOTIMPL(put_FullScreen, VARIANT_BOOL)
    SIM_NOTIMPL(Navigate2, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
    SIM_NOTIMPL(QueryStatusWB, OLECMDID, OLECMDF*)
    SIM_NOTIMPL(ExecWB, OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*)
    SIM_NOTIMPL(ShowBrowserBar, VARIANT*, VARIANT*, VARIANT*)
    SIM_NOTIMPL(get_ReadyState, READYSTATE*)
    SIM_NOTIMPL(get_Offline, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Offline, VARIANT_BOOL)
    SIM_NOTIMPL(get_Silent, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Silent, VARIANT_BOOL)
    SIM_NOTIMPL(get_RegisterAsBrowser, VARIANT_BOOL*)
    SIM_NOTIMPL(put_RegisterAsBrowser, VARIANT_BOOL)
    SIM_NOTIMPL(get_RegisterAsDropTarget, VARIANT_BOOL*)
    SIM_NOTIMPL(put_RegisterAsDropTarget, VARIANT_BOOL)
    SIM_NOTIMPL(get_TheaterMode, VARIANT_BOOL*)
    SIM_NOTIMPL(put_TheaterMode, VARIANT_BOOL)
    SIM_NOTIMPL(get_AddressBar, VARIANT_BOOL*)
    SIM_NOTIMPL(put_AddressBar, VARIANT_BOOL)
    SIM_NOTIMPL(get_Resizable, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Resizable, VARIANT_BOOL)

  protected:
    HRESULT Admit(const char* member) override;

  private:
    template <class F>
    HRESULT Read(const char* member, const wchar_t* failKey, F&& fill);

    RefCount refs_;
    std::weak_ptr<BrowserWindow> owner_;
};

// The window's browser object for the collection to hand out.
HRESULT HandOutBrowser(BrowserWindow& window, IDispatch** out);

}  // namespace sim
