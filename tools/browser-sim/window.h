// One simulated browser window: what the scenario says about it, and the COM
// objects and real top-level window that stand for it.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <set>
#include <string>

namespace sim {

using Microsoft::WRL::ComPtr;

enum class DocKind { Html, Other, None };
// What the document's parentWindow.opener holds when the window opens.
enum class OpenerKind { None, Empty, Null, Object, Window, Fail };
// What opener.parent.closed reports: Live follows the opener window's real state.
enum class ClosedMode { Live, False, True, Fail };

struct WindowProps {
    std::wstring title;
    DocKind doc = DocKind::Html;
    std::wstring className;  // empty: the kind's usual class name
    bool classInfo = true;   // whether the document offers IProvideClassInfo
    OpenerKind opener = OpenerKind::None;
    std::wstring openerWindow;
    ClosedMode closed = ClosedMode::Live;
    bool menubar = true;
    bool fullscreen = false;
    int width = 800, height = 600;              // the Width and Height properties
    int restoredWidth = 0, restoredHeight = 0;  // 0: the same as the properties
    int x = -1, y = -1;                         // -1: cascade
    int show = SW_SHOWNOACTIVATE;
    std::set<std::wstring> fails;  // members whose reads fail
    bool ignoreClose = false;      // WM_CLOSE is logged but the window stays
    bool fire = true;              // raise WindowRegistered when opened
    int fireInside = 0;            // >0: raise it inside the Nth call of the client from then on
};

// Applies one key=value of an "open" or "set" line.
bool ApplyKey(WindowProps& props, const std::wstring& key, const std::wstring& value,
              std::wstring& error);

class BrowserObj;
class DocumentObj;
class HtmlWindowObj;

class BrowserWindow : public std::enable_shared_from_this<BrowserWindow> {
  public:
    BrowserWindow();
    ~BrowserWindow();
    bool Fails(const wchar_t* member) const { return props.fails.count(member) != 0; }

    std::wstring name;
    WindowProps props;
    HWND hwnd = nullptr;
    LONG cookie = 0;
    bool destroyed = false;
    int closeRequests = 0;
    ComPtr<BrowserObj> browser;
    ComPtr<DocumentObj> document;
    ComPtr<HtmlWindowObj> script;  // the document's parentWindow
};

}  // namespace sim
