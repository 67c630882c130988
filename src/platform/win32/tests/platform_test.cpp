// The Win32 layer on a real (Wine) Windows: conversions, the COM glue against
// scripted COM objects, the window's close causes, the controls' limits, and
// the resources as linked into Shutterling.exe (its path is the argument).
#include <windows.h>

#include <commctrl.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/about_window.h"
#include "platform/win32/application.h"
#include "platform/win32/com_dispatch.h"
#include "platform/win32/layout.h"
#include "platform/win32/main_window.h"
#include "platform/win32/shell_automation.h"
#include "platform/win32/shell_events.h"
#include "platform/win32/tray_hook.h"
#include "platform/win32/tray_menu.h"
#include "shutterling_res.h"
#include "tray/tray_icon.h"

using namespace shutterling;
using namespace shutterling::win32;
using platform::Variant;

namespace {

int failures = 0;
const char* currentCase = "";

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ++failures;                                                                            \
            std::printf("%s:%d: [%s] CHECK(%s) failed\n", __FILE__, __LINE__, currentCase, #cond); \
        }                                                                                          \
    } while (0)

// ---------------------------------------------------------------------------
// A scripted late-bound object: members by case-insensitive name, a record of
// the last call, optional class information.

class TestObject final : public IDispatch, public IProvideClassInfo {
  public:
    std::map<std::wstring, VARIANT> members;  // lower-case names
    std::vector<std::wstring> failing;        // Invoke fails for these
    ComPtr<ITypeInfo> classInfo;              // answered by IProvideClassInfo if set
    ComPtr<ITypeInfo> typeInfo;               // answered by GetTypeInfo if set
    bool provideClassInfo = true;
    WORD lastFlags = 0;
    UINT lastNamedArgs = 0;
    DISPID lastNamedId = 0;
    LCID lastLcid = 0;
    ScopedVariant lastArg;

    ~TestObject() {
        for (auto& m : members)
            VariantClear(&m.second);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
        } else if (riid == IID_IProvideClassInfo && provideClassInfo) {
            *out = static_cast<IProvideClassInfo*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return --refs; }  // owned by the test
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) noexcept override {
        *n = typeInfo ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
        *info = typeInfo.Get();
        if (!typeInfo)
            return E_NOTIMPL;
        typeInfo->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) noexcept override {
        *info = classInfo.Get();
        if (!classInfo)
            return E_FAIL;
        classInfo->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID lcid,
                                            DISPID* ids) noexcept override {
        lastLcid = lcid;
        std::wstring name(names[0]);
        for (auto& ch : name)
            ch = towlower(ch);
        DISPID id = 1;
        for (const auto& m : members) {
            if (m.first == name) {
                *ids = id;
                return S_OK;
            }
            ++id;
        }
        *ids = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) noexcept override {
        auto it = members.begin();
        std::advance(it, id - 1);
        lastFlags = flags;
        lastNamedArgs = params->cNamedArgs;
        lastNamedId = params->cNamedArgs ? params->rgdispidNamedArgs[0] : 0;
        for (const auto& name : failing) {
            if (name == it->first)
                return DISP_E_EXCEPTION;
        }
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            VariantCopy(lastArg.get(), &params->rgvarg[0]);
            VariantClear(&it->second);
            VariantCopy(&it->second, &params->rgvarg[0]);
            return S_OK;
        }
        return result ? VariantCopy(result, &it->second) : S_OK;
    }

    void Set(const std::wstring& name, VARIANT v) {
        VariantClear(&members[name]);
        members[name] = v;
    }

    LONG refs = 1;
};

VARIANT Vt(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    return v;
}
VARIANT VtI4(LONG n) {
    VARIANT v = Vt(VT_I4);
    V_I4(&v) = n;
    return v;
}
VARIANT VtBstr(const wchar_t* s) {
    VARIANT v = Vt(VT_BSTR);
    V_BSTR(&v) = s ? SysAllocString(s) : nullptr;
    return v;
}

// A coclass type info named as given, made the way a server builds one at run time.
ComPtr<ITypeInfo> TypeInfoNamed(const wchar_t* name) {
    ComPtr<ICreateTypeLib2> lib;
    if (FAILED(CreateTypeLib2(SYS_WIN32, L"platform_test.tlb", &lib)))
        return nullptr;
    ComPtr<ICreateTypeInfo> create;
    if (FAILED(lib->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_COCLASS, &create))) {
        return nullptr;
    }
    ComPtr<ITypeInfo> info;
    create.As(&info);
    return info;
}

// ---------------------------------------------------------------------------

void VariantConversion() {
    TestObject object;
    struct Case {
        const char* name;
        std::function<VARIANT()> make;
        Variant::Kind kind;
        double number;
        std::wstring text;
        bool hasObject;
    };
    LONG byRefTarget = 42;
    const Case cases[] = {
        {"empty", [] { return Vt(VT_EMPTY); }, Variant::Kind::Empty, 0, L"", false},
        {"null", [] { return Vt(VT_NULL); }, Variant::Kind::Null, 0, L"", false},
        {"i4", [] { return VtI4(-7); }, Variant::Kind::Number, -7, L"", false},
        {"ui1",
         [] {
             VARIANT v = Vt(VT_UI1);
             V_UI1(&v) = 200;
             return v;
         },
         Variant::Kind::Number, 200, L"", false},
        {"r8",
         [] {
             VARIANT v = Vt(VT_R8);
             V_R8(&v) = 2.5;
             return v;
         },
         Variant::Kind::Number, 2.5, L"", false},
        {"currency",
         [] {
             VARIANT v = Vt(VT_CY);
             V_CY(&v).int64 = 125000;  // 12.5 in units of 1/10000
             return v;
         },
         Variant::Kind::Number, 12.5, L"", false},
        {"byref i4",
         [&] {
             VARIANT v = Vt(VT_I4 | VT_BYREF);
             V_I4REF(&v) = &byRefTarget;
             return v;
         },
         Variant::Kind::Number, 42, L"", false},
        {"bstr", [] { return VtBstr(L"abc"); }, Variant::Kind::String, 0, L"abc", false},
        {"null bstr", [] { return VtBstr(nullptr); }, Variant::Kind::String, 0, L"", false},
        {"nothing dispatch", [] { return Vt(VT_DISPATCH); }, Variant::Kind::Object, 0, L"", false},
        {"nothing unknown", [] { return Vt(VT_UNKNOWN); }, Variant::Kind::Object, 0, L"", false},
        {"dispatch",
         [&] {
             VARIANT v = Vt(VT_DISPATCH);
             V_DISPATCH(&v) = &object;
             object.AddRef();
             return v;
         },
         Variant::Kind::Object, 0, L"", true},
        {"unknown with dispatch",
         [&] {
             VARIANT v = Vt(VT_UNKNOWN);
             V_UNKNOWN(&v) = static_cast<IDispatch*>(&object);
             object.AddRef();
             return v;
         },
         Variant::Kind::Object, 0, L"", true},
        {"date", [] { return Vt(VT_DATE); }, Variant::Kind::Other, 0, L"", false},
        {"error", [] { return Vt(VT_ERROR); }, Variant::Kind::Other, 0, L"", false},
    };
    for (const auto& c : cases) {
        currentCase = c.name;
        VARIANT v = c.make();
        const Variant got = FromVariant(v);
        if (!(V_VT(&v) & VT_BYREF))
            VariantClear(&v);
        CHECK(got.kind == c.kind);
        CHECK(got.number == c.number);
        CHECK(got.text == c.text);
        CHECK((got.object != nullptr) == c.hasObject);
    }
    currentCase = "bool";
    VARIANT t = Vt(VT_BOOL);
    V_BOOL(&t) = VARIANT_TRUE;
    CHECK(FromVariant(t).kind == Variant::Kind::Bool && FromVariant(t).boolean);
    V_BOOL(&t) = VARIANT_FALSE;
    CHECK(FromVariant(t).kind == Variant::Kind::Bool && !FromVariant(t).boolean);
    CHECK(object.refs == 1);  // every reference the conversions took was given back

    currentCase = "to variant";
    ScopedVariant out;
    CHECK(ToVariant(Variant::Of(std::wstring(L"")), out.get()));
    CHECK(V_VT(out.get()) == VT_BSTR && SysStringLen(V_BSTR(out.get())) == 0);
    ScopedVariant b;
    CHECK(ToVariant(Variant::Of(true), b.get()) && V_VT(b.get()) == VT_BOOL &&
          V_BOOL(b.get()) == VARIANT_TRUE);
    class Foreign final : public platform::Dispatch {
        std::optional<Variant> Get(std::wstring_view) override { return std::nullopt; }
        bool Put(std::wstring_view, const Variant&) override { return false; }
        std::optional<std::wstring> ClassName() override { return std::nullopt; }
    };
    ScopedVariant f;
    CHECK(!ToVariant(Variant::Of(std::shared_ptr<platform::Dispatch>(new Foreign)), f.get()));
}

void DispatchByName() {
    TestObject object;
    object.Set(L"opener", VtBstr(L"x"));
    object.Set(L"closed", Vt(VT_BOOL));
    object.failing = {L"closed"};
    ComDispatch dispatch{ComPtr<IDispatch>(&object)};

    currentCase = "get, any case";
    auto got = dispatch.Get(L"OPENER");
    CHECK(got && got->kind == Variant::Kind::String && got->text == L"x");
    CHECK(object.lastFlags == DISPATCH_PROPERTYGET);
    CHECK(object.lastLcid == LOCALE_USER_DEFAULT);

    currentCase = "get failures";
    CHECK(!dispatch.Get(L"missing"));
    CHECK(!dispatch.Get(L"closed"));

    currentCase = "put string";
    CHECK(dispatch.Put(L"Opener", Variant::Of(std::wstring(L""))));
    CHECK(object.lastFlags == DISPATCH_PROPERTYPUT);
    CHECK(object.lastNamedArgs == 1 && object.lastNamedId == DISPID_PROPERTYPUT);
    CHECK(V_VT(object.lastArg.get()) == VT_BSTR && SysStringLen(V_BSTR(object.lastArg.get())) == 0);

    currentCase = "put object";
    TestObject other;
    CHECK(dispatch.Put(L"opener",
                       Variant::Of(std::make_shared<ComDispatch>(ComPtr<IDispatch>(&other)))));
    CHECK(object.lastFlags == DISPATCH_PROPERTYPUTREF);

    currentCase = "put failures";
    CHECK(!dispatch.Put(L"missing", Variant::Of(true)));
    CHECK(!dispatch.Put(L"closed", Variant::Of(true)));

    currentCase = "class name";
    const auto coclass = TypeInfoNamed(L"HTMLDocument");
    const auto iface = TypeInfoNamed(L"DispHTMLDocument");
    CHECK(coclass && iface);
    object.classInfo = coclass;
    object.typeInfo = iface;
    CHECK(dispatch.ClassName() == std::optional<std::wstring>(L"HTMLDocument"));
    object.classInfo = nullptr;  // provider present but failing
    CHECK(dispatch.ClassName() == std::optional<std::wstring>(L"DispHTMLDocument"));
    object.provideClassInfo = false;
    object.classInfo = coclass;
    CHECK(dispatch.ClassName() == std::optional<std::wstring>(L"DispHTMLDocument"));
    object.typeInfo = nullptr;
    CHECK(!dispatch.ClassName());
}

// ---------------------------------------------------------------------------
// A connection point container with one point, recording what the client does.

class TestSource final : public IConnectionPointContainer, public IConnectionPoint {
  public:
    GUID asked{};
    HRESULT findResult = S_OK;
    HRESULT adviseResult = S_OK;
    ComPtr<IDispatch> sink;
    std::vector<DWORD> unadvised;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (riid == IID_IUnknown || riid == IID_IConnectionPointContainer) {
            *out = static_cast<IConnectionPointContainer*>(this);
        } else if (riid == IID_IConnectionPoint) {
            *out = static_cast<IConnectionPoint*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return --refs; }
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                  IConnectionPoint** point) noexcept override {
        asked = riid;
        *point = nullptr;
        if (FAILED(findResult))
            return findResult;
        *point = this;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* client, DWORD* cookie) noexcept override {
        if (FAILED(adviseResult))
            return adviseResult;
        client->QueryInterface(IID_PPV_ARGS(&sink));
        *cookie = 77;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override {
        unadvised.push_back(cookie);
        sink.Reset();  // as a real source does: its reference to the sink goes
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) noexcept override {
        return E_NOTIMPL;
    }

    HRESULT Fire(DISPID id, std::vector<VARIANT> args) {
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
};

void ShellEvents() {
    std::vector<std::int32_t> seen;
    auto record = [&](std::int32_t cookie) { seen.push_back(cookie); };

    currentCase = "subscribe and receive";
    {
        TestSource source;
        auto token = AdviseShellEvents(static_cast<IConnectionPointContainer*>(&source), record);
        CHECK(token.has_value());
        CHECK(IsEqualGUID(source.asked, kDIID_DShellWindowsEvents));
        CHECK(source.sink);
        CHECK(SUCCEEDED(source.Fire(kDispidWindowRegistered, {VtI4(5)})));
        VARIANT small = Vt(VT_I2);
        V_I2(&small) = 9;
        CHECK(SUCCEEDED(source.Fire(kDispidWindowRegistered, {small})));
        CHECK(SUCCEEDED(source.Fire(201, {VtI4(6)})));  // WindowRevoked: not ours
        CHECK(source.Fire(kDispidWindowRegistered, {}) == DISP_E_BADPARAMCOUNT);
        CHECK((seen == std::vector<std::int32_t>{5, 9}));

        ComPtr<IDispatch> kept = source.sink;  // an event still on its way
        token.reset();
        CHECK((source.unadvised == std::vector<DWORD>{77}));
        DISPPARAMS params{nullptr, nullptr, 0, 0};
        VARIANT arg = VtI4(8);
        params.rgvarg = &arg;
        params.cArgs = 1;
        kept->Invoke(kDispidWindowRegistered, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                     nullptr, nullptr);
        CHECK(seen.size() == 2);  // nothing after the unsubscription
    }

    currentCase = "handler drops the subscription";
    {
        TestSource source;
        std::optional<ConnectionToken> token;
        int calls = 0;
        token =
            AdviseShellEvents(static_cast<IConnectionPointContainer*>(&source), [&](std::int32_t) {
                ++calls;
                token.reset();  // the shut-down inside the event
            });
        CHECK(token.has_value());
        ComPtr<IDispatch> sink = source.sink;
        sink->AddRef();
        IDispatch* raw = sink.Get();
        sink.Reset();
        source.Fire(kDispidWindowRegistered, {VtI4(1)});
        CHECK(calls == 1);
        CHECK((source.unadvised == std::vector<DWORD>{77}));
        raw->Release();  // the last reference: the sink goes only now
    }

    currentCase = "refusals";
    {
        TestSource noPoint;
        noPoint.findResult = CONNECT_E_NOCONNECTION;
        CHECK(!AdviseShellEvents(static_cast<IConnectionPointContainer*>(&noPoint), record));
        TestSource refuses;
        refuses.adviseResult = CONNECT_E_ADVISELIMIT;
        CHECK(!AdviseShellEvents(static_cast<IConnectionPointContainer*>(&refuses), record));
        TestObject notASource;
        CHECK(!AdviseShellEvents(static_cast<IDispatch*>(&notASource), record));
    }
}

// ---------------------------------------------------------------------------

class TestEnum final : public IEnumVARIANT {
  public:
    struct Item {
        HRESULT hr;
        std::function<VARIANT()> make;
    };
    std::vector<Item> items;
    std::size_t at = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    HRESULT STDMETHODCALLTYPE Next(ULONG, VARIANT* out, ULONG* fetched) noexcept override {
        *fetched = 0;
        if (at >= items.size())
            return S_FALSE;
        const Item& item = items[at++];
        if (item.hr == S_OK) {
            *out = item.make();
            *fetched = 1;
        }
        return item.hr;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) noexcept override { return E_NOTIMPL; }
};

void WindowWalkSteps() {
    using Status = platform::WindowWalk::Step::Status;
    TestObject notABrowser;
    TestEnum cursor;
    cursor.items = {
        {S_OK, [] { return Vt(VT_DISPATCH); }},  // Nothing
        {S_OK,
         [&] {
             VARIANT v = Vt(VT_DISPATCH);
             V_DISPATCH(&v) = &notABrowser;
             notABrowser.AddRef();
             return v;
         }},
        {S_OK, [] { return VtI4(3); }},
        {E_FAIL, nullptr},
    };
    ComWindowWalk walk{ComPtr<IEnumVARIANT>(&cursor)};

    currentCase = "an item that is Nothing";
    auto step = walk.Next();
    CHECK(step.status == Status::Window && step.window);
    if (step.window) {
        CHECK(!step.window->Document() && !step.window->FullScreen() && !step.window->Hwnd() &&
              !step.window->LocationName() && !step.window->Width());
        CHECK(step.window->Identity() == 0);
    }
    currentCase = "not a browser window";
    CHECK(walk.Next().status == Status::Failed);
    CHECK(notABrowser.refs == 1);
    currentCase = "not an object";
    CHECK(walk.Next().status == Status::Failed);
    currentCase = "enumerator fails";
    CHECK(walk.Next().status == Status::Failed);
    currentCase = "end";
    CHECK(walk.Next().status == Status::End);
}

// ---------------------------------------------------------------------------

void PathsAndLayout() {
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Shutterling\\Shutterling.exe", L"C:\\Program Files\\Shutterling",
         L"Shutterling"},
        {L"C:\\Shutterling.exe", L"C:\\", L"Shutterling"},
        {L"\\\\server\\share\\app.v2.exe", L"\\\\server\\share", L"app.v2"},
        {L"D:\\dir.x\\noext", L"D:\\dir.x", L"noext"},
    };
    currentCase = "paths";
    for (const auto& c : cases) {
        CHECK(FolderOf(c.path) == c.folder);
        CHECK(BaseNameOf(c.path) == c.name);
    }

    currentCase = "application facts";
    ApplicationImpl app;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CHECK(app.Path() == std::optional<std::wstring>(FolderOf(self)));
    CHECK(app.ExeName() == std::optional<std::wstring>(L"win32_platform_tests"));
    CHECK(app.Title() == L"Shutterling");

    currentCase = "single instance";
    CHECK(app.PrevInstance() == std::optional<bool>(false));
    CHECK(app.PrevInstance() == std::optional<bool>(false));  // asking again is not a second copy
    ApplicationImpl second;
    CHECK(second.PrevInstance() == std::optional<bool>(true));

    currentCase = "twips";
    CHECK(TwipsToPixels(1440, 96) == 96);
    CHECK(TwipsToPixels(15, 96) == 1);
    CHECK(TwipsToPixels(kMainClientWidth, 96) == 425);
    CHECK(TwipsToPixels(kMainClientHeight, 96) == 477);
    CHECK(TwipsToPixels(kMainClientWidth, 144) == 638);  // 637.5 rounds up
}

void TrayRecordAndHook() {
    currentCase = "tray record";
    platform::TrayRecord record;
    record.cbSize = 88;
    record.hWnd = 0x1234;
    record.uFlags = 7;
    record.uCallbackMessage = 1400;
    record.hIcon = 0x5678;
    record.szTip.fill(' ');
    std::memcpy(record.szTip.data(), "Shutterling Enabled", 20);
    const NOTIFYICONDATAA data = ToNotifyIconData(record);
    CHECK(data.cbSize == NOTIFYICONDATAA_V1_SIZE);
    CHECK(data.hWnd == reinterpret_cast<HWND>(0x1234));
    CHECK(data.uID == 0 && data.uFlags == 7 && data.uCallbackMessage == 1400);
    CHECK(data.hIcon == reinterpret_cast<HICON>(0x5678));
    CHECK(std::memcmp(data.szTip, record.szTip.data(), 64) == 0);
    CHECK(data.szTip[19] == '\0' && data.szTip[20] == ' ' && data.szTip[63] == ' ');

    currentCase = "window hook";
    const HWND edit = CreateWindowExW(0, L"EDIT", L"hooked", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, nullptr, nullptr);
    const LONG_PTR before = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    TrayImpl tray;
    const auto previous = tray.InstallTrayWndProc(reinterpret_cast<platform::WindowHandle>(edit));
    modCommon::lngOldWndProc = previous;  // as InstallWindowHook stores it
    CHECK(previous == before);
    CHECK(GetWindowLongPtrA(edit, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TrayWndProc));
    // Messages still reach the edit control, results and all.
    CHECK(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0) == 6);
    SetWindowTextW(edit, L"changed");
    wchar_t text[16] = {};
    GetWindowTextW(edit, text, 16);
    CHECK(std::wstring(text) == L"changed");
    tray.RestoreWndProc(reinterpret_cast<platform::WindowHandle>(edit), previous);
    CHECK(GetWindowLongPtrA(edit, GWLP_WNDPROC) == before);
    DestroyWindow(edit);
}

// ---------------------------------------------------------------------------

class RecordedEvents final : public FormEvents {
  public:
    std::vector<std::string> calls;
    std::int16_t refuseMode = -1;  // the close cause to cancel, -1 none
    MainWindow* hideOnPaint = nullptr;

    void Paint() override {
        calls.push_back("Paint");
        if (hideOnPaint)
            hideOnPaint->Hide();
    }
    void QueryUnload(std::int16_t& cancel, std::int16_t mode) override {
        calls.push_back("QueryUnload " + std::to_string(mode));
        if (mode == refuseMode)
            cancel = 1;
    }
    void Unload() override { calls.push_back("Unload"); }
    void DoneClick() override { calls.push_back("DoneClick"); }
    void PopupsDblClick() override { calls.push_back("PopupsDblClick"); }
    void SafeDblClick() override { calls.push_back("SafeDblClick"); }
    void MenuClick(int id) override { calls.push_back("MenuClick " + std::to_string(id)); }
    void TaskbarCreated() override { calls.push_back("TaskbarCreated"); }
};

// Within two pixels: an odd difference cannot be halved exactly.
bool CentredOnWorkArea(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    return std::abs((r.left + r.right) - (mi.rcWork.left + mi.rcWork.right)) <= 2 &&
           std::abs((r.top + r.bottom) - (mi.rcWork.top + mi.rcWork.bottom)) <= 2;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchMessageW(&msg);
    }
}

bool QuitPosted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

void WindowAndCloseCauses() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    using Calls = std::vector<std::string>;

    currentCase = "shape";
    {
        MainWindow window(instance);
        CHECK(window.Create());
        const HWND hwnd = window.hwnd();
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        CHECK((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU));
        CHECK(!(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)));
        CHECK(!IsWindowVisible(hwnd));
        CHECK(GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow());  // not message-only
        RECT client;
        GetClientRect(hwnd, &client);
        const int dpi = WindowDpi(hwnd);
        CHECK(client.right == TwipsToPixels(kMainClientWidth, dpi));
        CHECK(client.bottom == TwipsToPixels(kMainClientHeight, dpi));
        CHECK(window.Icon() != 0);
        for (const auto& control : kMainLayout)
            CHECK(GetDlgItem(hwnd, control.id) != nullptr);

        currentCase = "centred once";
        window.Show();
        CHECK(IsWindowVisible(hwnd));
        CHECK(CentredOnWorkArea(hwnd));
        RECT r;
        SetWindowPos(hwnd, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        window.Hide();
        CHECK(!IsWindowVisible(hwnd));
        window.Show();
        GetWindowRect(hwnd, &r);
        CHECK(r.left == 10 && r.top == 20);
        window.Unload();
        CHECK(!window.hwnd());
        CHECK(QuitPosted());  // it was the program's last window
    }

    struct Case {
        const char* name;
        std::function<void(MainWindow&)> act;
        std::int16_t refuse;
        Calls expected;
        bool destroyed;
    };
    const Case cases[] = {
        {"close box hides",
         [](MainWindow& w) { SendMessageW(w.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); },
         0,
         {"QueryUnload 0"},
         false},
        {"WM_CLOSE from outside",
         [](MainWindow& w) {
             PostMessageW(w.hwnd(), WM_CLOSE, 0, 0);
             Pump();
         },
         -1,
         {"QueryUnload 3", "Unload"},
         true},
        {"Unload from code",
         [](MainWindow& w) { w.Unload(); },
         -1,
         {"QueryUnload 1", "Unload"},
         true},
        {"Unload refused", [](MainWindow& w) { w.Unload(); }, 1, {"QueryUnload 1"}, false},
        {"end of session",
         [](MainWindow& w) {
             CHECK(SendMessageW(w.hwnd(), WM_QUERYENDSESSION, 0, 0) == TRUE);
             SendMessageW(w.hwnd(), WM_ENDSESSION, TRUE, 0);
         },
         -1,
         {"QueryUnload 2", "Unload"},
         true},
        {"end of session refused",
         [](MainWindow& w) {
             CHECK(SendMessageW(w.hwnd(), WM_QUERYENDSESSION, 0, 0) == FALSE);
             SendMessageW(w.hwnd(), WM_ENDSESSION, FALSE, 0);
         },
         2,
         {"QueryUnload 2"},
         false},
        {"first paint",
         [](MainWindow& w) {
             w.Show();
             UpdateWindow(w.hwnd());
             Pump();
         },
         -1,
         {"Paint"},
         false},
        {"Done clicked, lists double-clicked; single clicks do nothing",
         [](MainWindow& w) {
             SendMessageW(GetDlgItem(w.hwnd(), IDC_CMDDONE), BM_CLICK, 0, 0);
             for (int id : {IDC_LSTPOPUPS, IDC_LSTSAFE}) {
                 const HWND list = GetDlgItem(w.hwnd(), id);
                 SendMessageW(w.hwnd(), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(list));
                 SendMessageW(w.hwnd(), WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK),
                              reinterpret_cast<LPARAM>(list));
             }
         },
         -1,
         {"DoneClick", "PopupsDblClick", "SafeDblClick"},
         false},
    };
    for (const auto& c : cases) {
        currentCase = c.name;
        MainWindow window(instance);
        CHECK(window.Create());
        RecordedEvents events;
        events.refuseMode = c.refuse;
        events.hideOnPaint = &window;
        window.Attach(&events);
        c.act(window);
        CHECK(events.calls == c.expected);
        CHECK((window.hwnd() == nullptr) == c.destroyed);
        if (window.hwnd())
            CHECK(!IsWindowVisible(window.hwnd()));
        window.Attach(nullptr);
        window.Unload();
        QuitPosted();
    }
}

// What an open tray menu shows, read in-process while it is open (Wine hands
// out menu handles that only work in their own process).
struct OpenMenu {
    HMENU shown = nullptr;
    UINT defaultId = 0;
    std::vector<std::wstring> items;  // "-" for a separator
    std::vector<UINT> keys;           // pressed once the menu is read
};
OpenMenu* openMenu = nullptr;

void CALLBACK ReadOpenMenu(HWND owner, UINT, UINT_PTR id, DWORD) {
    KillTimer(owner, id);
    const HWND window = FindWindowW(L"#32768", nullptr);
    if (!window || !openMenu)
        return;
    auto& m = *openMenu;
    m.shown = reinterpret_cast<HMENU>(SendMessageW(window, 0x01E1, 0, 0));  // MN_GETHMENU
    m.defaultId = GetMenuDefaultItem(m.shown, FALSE, 0);
    for (int i = 0; i < GetMenuItemCount(m.shown); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        GetMenuItemInfoW(m.shown, static_cast<UINT>(i), TRUE, &info);
        m.items.push_back(info.fType & MFT_SEPARATOR ? L"-" : text);
    }
    for (UINT key : m.keys) {
        PostMessageW(owner, WM_KEYDOWN, key, 1);
        if (key == VK_RETURN)
            PostMessageW(owner, WM_CHAR, L'\r', 1);
    }
}

void TrayMenuAndIcons() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    using Items = std::vector<std::wstring>;
    struct Case {
        const char* name;
        std::vector<UINT> keys;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"Escape runs nothing", {VK_ESCAPE}, {}},
        {"first item", {VK_DOWN, VK_RETURN}, {"MenuClick 40001"}},
        {"second item", {VK_DOWN, VK_DOWN, VK_RETURN}, {"MenuClick 40002"}},
        {"third item", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {"MenuClick 40003"}},
        {"last item", {VK_UP, VK_RETURN}, {"MenuClick 40005"}},
    };
    for (const auto& c : cases) {
        currentCase = c.name;
        MainWindow window(instance);
        CHECK(window.Create());
        RecordedEvents events;
        window.Attach(&events);
        TrayMenu menu(window);
        OpenMenu open;
        open.keys = c.keys;
        openMenu = &open;
        SetTimer(window.hwnd(), 1, 100, ReadOpenMenu);
        menu.PopupMenu(platform::MenuItem::mnuSettings);
        openMenu = nullptr;
        CHECK(open.shown == menu.handle());
        CHECK(open.defaultId == IDM_SETTINGS);  // drawn bold
        CHECK(open.items == (Items{L"Settings", L"Disable", L"About", L"-", L"Exit"}));
        CHECK(events.calls == c.calls);  // the command ran before the call returned
        MSG null{};
        CHECK(PeekMessageW(&null, window.hwnd(), WM_NULL, WM_NULL, PM_REMOVE));
        window.Attach(nullptr);
        window.Unload();
        QuitPosted();
    }

    currentCase = "captions";
    MainWindow window(instance);
    CHECK(window.Create());
    RecordedEvents events;
    window.Attach(&events);
    TrayMenu menu(window);
    CHECK(menu.SetCaption(platform::MenuItem::mnuDisable, L"Enable"));
    CHECK(menu.Caption(platform::MenuItem::mnuDisable) == std::optional<std::wstring>(L"Enable"));
    CHECK(menu.Caption(platform::MenuItem::mnuExit) == std::optional<std::wstring>(L"Exit"));
    CHECK(GetMenuItemCount(menu.handle()) == 5);

    currentCase = "window icons";
    const HWND hwnd = window.hwnd();
    const auto designIcon = window.Icon();
    window.SetWindowIcon(platform::WindowPicture::imgDisabled);
    const auto bigDisabled = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
    const auto smallDisabled = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
    CHECK(bigDisabled && smallDisabled && bigDisabled != smallDisabled);
    CHECK(window.Icon() == static_cast<std::uintptr_t>(smallDisabled));  // what the tray gets
    window.SetWindowIcon(platform::WindowPicture::imgEnabled);
    const auto smallEnabled = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
    CHECK(smallEnabled && smallEnabled != smallDisabled);
    CHECK(window.Icon() == static_cast<std::uintptr_t>(smallEnabled));
    CHECK(designIcon != 0);

    currentCase = "taskbar re-created";
    SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    CHECK(events.calls == std::vector<std::string>{"TaskbarCreated"});

    currentCase = "Done focused at every showing";
    window.Show();
    SetForegroundWindow(hwnd);
    Pump();
    CHECK(GetFocus() == GetDlgItem(hwnd, IDC_CMDDONE));
    SetFocus(GetDlgItem(hwnd, IDC_LSTSAFE));
    window.Hide();  // as the close box does
    window.Show();
    SetForegroundWindow(hwnd);
    Pump();
    CHECK(GetFocus() == GetDlgItem(hwnd, IDC_CMDDONE));
    window.Attach(nullptr);
    window.Unload();
    QuitPosted();
}

void Controls() {
    MainWindow window(GetModuleHandleW(nullptr));
    CHECK(window.Create());

    currentCase = "list box";
    auto& list = window.lstSafe;
    CHECK(list.ListCount() == std::optional<std::int16_t>(0));
    CHECK(list.ListIndex() == std::optional<std::int16_t>(-1));
    CHECK(list.AddItem(L"zeta") && list.AddItem(L"") && list.AddItem(L"alpha "));
    CHECK(list.List(0) == std::optional<std::wstring>(L"zeta"));  // kept in order, not sorted
    CHECK(list.List(1) == std::optional<std::wstring>(L""));
    CHECK(list.List(2) == std::optional<std::wstring>(L"alpha "));
    CHECK(!list.List(3) && !list.List(-1));
    SendMessageW(GetDlgItem(window.hwnd(), IDC_LSTSAFE), LB_SETCURSEL, 2, 0);
    CHECK(list.ListIndex() == std::optional<std::int16_t>(2));
    CHECK(list.RemoveItem(0));
    CHECK(list.List(0) == std::optional<std::wstring>(L""));
    CHECK(!list.RemoveItem(5) && !list.RemoveItem(-1));
    CHECK(list.ListCount() == std::optional<std::int16_t>(2));

    currentCase = "list box limit";
    auto& popups = window.lstPopups;
    const HWND popupsHwnd = GetDlgItem(window.hwnd(), IDC_LSTPOPUPS);
    SendMessageW(popupsHwnd, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < platform::kListMax - 1; ++i) {
        SendMessageW(popupsHwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"x"));
    }
    CHECK(popups.AddItem(L"last"));
    CHECK(popups.ListCount() == std::optional<std::int16_t>(platform::kListMax));
    CHECK(!popups.AddItem(L"one too many"));
    CHECK(popups.ListCount() == std::optional<std::int16_t>(platform::kListMax));
    CHECK(popups.List(platform::kListMax - 1) == std::optional<std::wstring>(L"last"));

    currentCase = "check box values";
    auto& box = window.chkBeep;
    for (std::int16_t v : {0, 1, 2, 0}) {
        CHECK(box.SetValue(v));
        CHECK(box.Value() == std::optional<std::int16_t>(v));
    }
    CHECK(box.SetValue(1));
    for (std::int16_t v : {-1, 3, 255}) {
        CHECK(!box.SetValue(v));
        CHECK(box.Value() == std::optional<std::int16_t>(1));
    }

    currentCase = "check box clicks";
    struct Click {
        std::int16_t from, to;
    };
    for (const Click c : {Click{0, 1}, Click{1, 0}, Click{2, 1}}) {
        for (int id : {IDC_CHKBEEP, IDC_CHKRESET, IDC_CHKWINDOWSTARTUP}) {
            const HWND hwnd = GetDlgItem(window.hwnd(), id);
            SendMessageW(hwnd, BM_SETCHECK, static_cast<WPARAM>(c.from), 0);
            SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
            CHECK(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == c.to);
        }
    }

    currentCase = "label";
    CHECK(window.lblCounter.SetCaption(L"42 Popups blocked till now"));
    CHECK(window.lblCounter.Caption() ==
          std::optional<std::wstring>(L"42 Popups blocked till now"));
    CHECK(window.lblCounter.SetCaption(L""));
    CHECK(window.lblCounter.Caption() == std::optional<std::wstring>(L""));

    currentCase = "after the window is gone";
    window.Unload();
    QuitPosted();
    CHECK(!list.ListCount() && !list.List(0) && !list.ListIndex() && !list.AddItem(L"x"));
    CHECK(!box.Value() && !box.SetValue(0));
    CHECK(!window.lblCounter.Caption() && !window.lblCounter.SetCaption(L"x"));
    CHECK(window.Handle() == 0 && window.Icon() == 0);
}

// ---------------------------------------------------------------------------
// Every caption of every window is whole: measured at the control's own font
// and word wrap against its client rectangle, at the DPI the prefix gives
// (the runner sets it; the test checks it got it).

int expectedDpi = 96;

struct Fit {
    SIZE needs, has;
};

// line: a label's caption on one line, for growing a box that is too small.
Fit MeasureCaption(HWND control, LONG& line) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 32);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client{};
    GetClientRect(control, &client);
    const HDC dc = GetDC(control);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE needs{};
    line = 0;
    auto measure = [&](UINT format, LONG width) {
        RECT r{0, 0, width, 0};
        DrawTextW(dc, text, -1, &r, format | DT_CALCRECT);
        return SIZE{r.right, r.bottom};
    };
    if (_wcsicmp(cls, L"Static") == 0) {
        const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        needs = measure(DT_WORDBREAK | DT_EDITCONTROL | prefix, client.right);
        line = measure(DT_SINGLELINE | prefix, 0).cx;
    } else if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
        // The caption sits in the top border, indented from both sides.
        needs = measure(DT_SINGLELINE, 0);
        needs.cx += 2 * metrics.tmAveCharWidth;
    } else if ((style & BS_TYPEMASK) == BS_PUSHBUTTON ||
               (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        // Inside the 3-D edges, with a pixel of margin on each side.
        needs = measure(DT_SINGLELINE, 0);
        needs.cx += 2 * GetSystemMetrics(SM_CXEDGE) + 2;
        needs.cy += 2 * GetSystemMetrics(SM_CYEDGE) + 2;
    } else {
        // Check boxes: the box (12 pixels at 96 DPI and its border), half a
        // digit's width, then the caption with a pixel of margin each side.
        const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
        INT digit = 0;
        GetCharWidthW(dc, L'0', L'0', &digit);
        needs = measure(DT_SINGLELINE, 0);
        needs.cx += 12 * dpi / 96 + 1 + digit / 2 + 2;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {needs, {client.right, client.bottom}};
}

void CheckCaptionsFit(HWND window, std::span<const ControlLayout> layout) {
    for (const auto& control : layout) {
        const HWND hwnd = GetDlgItem(window, control.id);
        CHECK(hwnd != nullptr);
        if (!hwnd || GetWindowTextLengthW(hwnd) == 0)
            continue;
        LONG line = 0;
        const Fit fit = MeasureCaption(hwnd, line);
        const bool whole = fit.needs.cx <= fit.has.cx && fit.needs.cy <= fit.has.cy;
        std::printf("  %3d dpi, control %d: needs %ldx%ld (one line %ld), has %ldx%ld%s\n",
                    expectedDpi, control.id, fit.needs.cx, fit.needs.cy, line, fit.has.cx,
                    fit.has.cy, whole ? "" : "  CLIPPED");
        CHECK(whole);
    }
}

void TextFit() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    MainWindow main(instance);
    CHECK(main.Create());
    currentCase = "the DPI of the prefix";
    CHECK(WindowDpi(main.hwnd()) == expectedDpi);

    currentCase = "settings window";
    // The longest counter a user is likely to see.
    CHECK(main.lblCounter.SetCaption(L"2147483647 Popups blocked till now"));
    CheckCaptionsFit(main.hwnd(), kMainLayout);

    currentCase = "about window";
    struct Links final : platform::AboutEvents {
        AboutWindow* about = nullptr;
        void Form_Load() override {
            about->lblURL().SetCaption(maker::kWebAddress);
            about->lblContact().SetCaption(maker::kContactAddress);
        }
        void cmdOK_Click() override {}
        void lblURL_Click() override {}
        void lblContact_Click() override {}
    } links;
    AboutWindow about(instance);
    links.about = &about;
    CHECK(about.Load(links));
    CheckCaptionsFit(about.hwnd(), kAboutLayout);
    about.Unload();
    main.Unload();
    QuitPosted();
}

class RecordedAbout final : public platform::AboutEvents {
  public:
    std::vector<std::string> calls;
    void Form_Load() override { calls.push_back("Form_Load"); }
    void cmdOK_Click() override { calls.push_back("cmdOK_Click"); }
    void lblURL_Click() override { calls.push_back("lblURL_Click"); }
    void lblContact_Click() override { calls.push_back("lblContact_Click"); }
};

void AboutWindowAndLifetime() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    MainWindow main(instance);
    CHECK(main.Create());
    AboutWindow about(instance);
    RecordedAbout events;

    currentCase = "about load";
    CHECK(!about.IsLoaded());
    CHECK(about.Load(events));
    CHECK(events.calls == std::vector<std::string>{"Form_Load"});
    const HWND hwnd = about.hwnd();
    CHECK(hwnd && !IsWindowVisible(hwnd) && about.IsLoaded());

    currentCase = "about shape";
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    CHECK((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU));
    CHECK(!(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)));
    CHECK(!(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW));
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    CHECK(owner && owner != main.hwnd() && !IsWindowVisible(owner));  // no taskbar button
    const int dpi = WindowDpi(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    CHECK(client.right == TwipsToPixels(kAboutClientWidth, dpi));
    CHECK(client.bottom == TwipsToPixels(kAboutClientHeight, dpi));
    CHECK(GetClassLongPtrW(hwnd, GCLP_HICON) != 0);

    currentCase = "about controls";
    HWND previous = nullptr;
    for (const auto& c : kAboutLayout) {
        const HWND control = GetDlgItem(hwnd, c.id);
        CHECK(control != nullptr);
        if (!control)
            continue;
        wchar_t cls[16] = {};
        GetClassNameW(control, cls, 16);
        CHECK(_wcsicmp(cls, c.kind == ControlKind::Button ? L"Button" : L"Static") == 0);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        CHECK(r.left == TwipsToPixels(c.left, dpi) && r.top == TwipsToPixels(c.top, dpi));
        CHECK(r.right == TwipsToPixels(c.left + c.width, dpi));
        CHECK(r.bottom == TwipsToPixels(c.top + c.height, dpi));
        // Created in tab order, and only OK takes the focus.
        CHECK(GetWindow(control, GW_HWNDPREV) == previous);
        previous = control;
        CHECK(((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0) == (c.id == IDC_CMDOK));
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
        if (c.kind == ControlKind::Link) {
            CHECK(std::wstring(font.lfFaceName) == L"MS Sans Serif");
            CHECK(font.lfUnderline && font.lfWeight == FW_NORMAL);
            CHECK(font.lfCharSet == ANSI_CHARSET && font.lfHeight == -MulDiv(825, dpi, 7200));
        } else {
            CHECK(std::wstring(font.lfFaceName) == L"MS Shell Dlg" && !font.lfUnderline);
        }
    }
    CHECK(about.lblURL().SetCaption(L"http://www.example.org/"));
    CHECK(about.lblURL().Caption() == std::optional<std::wstring>(L"http://www.example.org/"));

    currentCase = "about links: colour and pointer";
    const HWND url = GetDlgItem(hwnd, IDC_LBLURL);
    const HWND title = GetDlgItem(hwnd, IDC_LBLTITLE);
    const std::uintptr_t hand = about.imgHand().Picture();
    CHECK(hand != 0);
    CHECK(about.lblURL().SetMouseIcon(hand));
    const HDC dc = GetDC(url);
    SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(url));
    CHECK(GetTextColor(dc) == RGB(0, 0, 192));
    SetTextColor(dc, RGB(0, 0, 0));
    SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(title));
    CHECK(GetTextColor(dc) != RGB(0, 0, 192));
    ReleaseDC(url, dc);
    CHECK(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(url),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) == TRUE);
    CHECK(reinterpret_cast<std::uintptr_t>(GetCursor()) == hand);
    CHECK(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(title),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) != TRUE ||
          reinterpret_cast<std::uintptr_t>(GetCursor()) != hand);

    currentCase = "about shown";
    about.Show();
    CHECK(IsWindowVisible(hwnd));
    CHECK(GetFocus() == GetDlgItem(hwnd, IDC_CMDOK));
    CHECK(CentredOnWorkArea(hwnd));

    // What reaches the object behind the window; the window stays (the
    // object here does not unload it).
    struct Input {
        const char* name;
        std::function<void()> send;
        const char* event;
    };
    const HWND ok = GetDlgItem(hwnd, IDC_CMDOK);
    auto key = [ok](WPARAM vk) {
        MSG msg{ok, WM_KEYDOWN, vk, 1, 0, {}};
        CHECK(PreTranslateFormMessage(msg));
    };
    const Input inputs[] = {
        {"Enter", [&] { key(VK_RETURN); }, "cmdOK_Click"},
        {"Esc", [&] { key(VK_ESCAPE); }, "cmdOK_Click"},
        {"OK clicked", [&] { SendMessageW(ok, BM_CLICK, 0, 0); }, "cmdOK_Click"},
        {"URL clicked", [&] { SendMessageW(url, WM_LBUTTONDOWN, MK_LBUTTON, 0); }, "lblURL_Click"},
        {"mail clicked",
         [&] { SendMessageW(GetDlgItem(hwnd, IDC_LBLCONTACT), WM_LBUTTONDOWN, MK_LBUTTON, 0); },
         "lblContact_Click"},
    };
    for (const auto& input : inputs) {
        currentCase = input.name;
        events.calls.clear();
        input.send();
        CHECK(events.calls == std::vector<std::string>{input.event});
        CHECK(about.IsLoaded());
    }

    currentCase = "About outlives the main window; the last window ends the loop";
    main.Unload();
    CHECK(!main.hwnd());
    CHECK(!QuitPosted());
    CHECK(about.IsLoaded() && IsWindowVisible(hwnd));
    events.calls.clear();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);  // the close box
    CHECK(!about.IsLoaded() && !IsWindow(hwnd) && !IsWindow(owner));
    CHECK(events.calls.empty());
    CHECK(QuitPosted());

    currentCase = "about loads anew";
    CHECK(about.Load(events));
    CHECK(events.calls == std::vector<std::string>{"Form_Load"});
    CHECK(about.hwnd() != nullptr);
    about.Unload();
    CHECK(!about.IsLoaded());
    QuitPosted();
}

// The resources as Windows reads them from the shipped executable.
void ExecutableResources(const char* exePath) {
    currentCase = "executable resources";
    const HMODULE exe = LoadLibraryExA(exePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(exe != nullptr);
    if (!exe)
        return;
    struct Image {
        int id;
        UINT type;
        int size;
    };
    for (const Image& i :
         {Image{IDI_SHUTTERLING, IMAGE_ICON, 16}, Image{IDI_SHUTTERLING, IMAGE_ICON, 32},
          Image{IDI_DISABLED, IMAGE_ICON, 16}, Image{IDCUR_HAND, IMAGE_CURSOR, 32}}) {
        HANDLE h = LoadImageW(exe, MAKEINTRESOURCEW(i.id), i.type, i.size, i.size, 0);
        CHECK(h != nullptr);
        if (i.type == IMAGE_CURSOR && h) {
            ICONINFO info{};
            CHECK(GetIconInfo(static_cast<HICON>(h), &info));
            CHECK(info.xHotspot == 7 && info.yHotspot == 1);
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
        if (h)
            i.type == IMAGE_ICON ? DestroyIcon(static_cast<HICON>(h))
                                 : DestroyCursor(static_cast<HCURSOR>(h));
    }
    CHECK(FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) != nullptr);  // manifest
    FreeLibrary(exe);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exePath, &ignored);
    CHECK(size > 0);
    std::vector<char> block(size);
    CHECK(GetFileVersionInfoA(exePath, 0, size, block.data()));
    struct Value {
        const char* name;
        const char* expected;
    };
    for (const Value& v :
         {Value{"FileVersion", "1.00"}, Value{"ProductVersion", "1.00"},
          Value{"ProductName", "Shutterling"}, Value{"InternalName", "Shutterling"},
          Value{"OriginalFilename", "Shutterling.exe"}}) {
        char* text = nullptr;
        UINT length = 0;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + v.name;
        CHECK(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length));
        CHECK(text && std::string(text) == v.expected);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const struct {
        const char* name;
        std::function<void()> run;
    } tests[] = {
        {"VariantConversion", VariantConversion},
        {"DispatchByName", DispatchByName},
        {"ShellEvents", ShellEvents},
        {"WindowWalkSteps", WindowWalkSteps},
        {"PathsAndLayout", PathsAndLayout},
        {"TrayRecordAndHook", TrayRecordAndHook},
        {"WindowAndCloseCauses", WindowAndCloseCauses},
        {"TrayMenuAndIcons", TrayMenuAndIcons},
        {"Controls", Controls},
        {"AboutWindowAndLifetime", AboutWindowAndLifetime},
        {"ExecutableResources",
         [&] { ExecutableResources(argc > 1 ? argv[1] : "Shutterling.exe"); }},
        {"TextFit", TextFit},
    };
    // "--text-fit DPI": only the captions, in a prefix set to that DPI.
    const bool fitOnly = argc > 3 && std::strcmp(argv[2], "--text-fit") == 0;
    if (fitOnly)
        expectedDpi = std::atoi(argv[3]);
    for (const auto& t : tests) {
        if (fitOnly && std::strcmp(t.name, "TextFit") != 0)
            continue;
        const int before = failures;
        t.run();
        std::printf("%s %s\n", failures == before ? "[  OK  ]" : "[ FAIL ]", t.name);
    }
    CoUninitialize();
    std::printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
