// VARIANTs to and from the core's values, and late binding by name against a
// scripted object: any case, put against put-by-reference, class names.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform_test.h"

namespace shutterling::win32::test {

using platform::Variant;

namespace {

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

}  // namespace

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
    // Every reference the conversions took is given back.
    CHECK(Eventually([&] { return object.refs == 1; }));

    currentCase = "to variant";
    ScopedVariant out;
    CHECK(ToVariant(Variant::Of(std::wstring(L"")), out.get()));
    CHECK(V_VT(out.get()) == VT_BSTR && SysStringLen(V_BSTR(out.get())) == 0);
    ScopedVariant b;
    CHECK(ToVariant(Variant::Of(true), b.get()) && V_VT(b.get()) == VT_BOOL &&
          V_BOOL(b.get()) == VARIANT_TRUE);
    class Foreign final : public platform::Dispatch {
        platform::Read<Variant> Get(std::wstring_view) override { return std::nullopt; }
        bool Put(std::wstring_view, const Variant&) override { return false; }
        platform::Read<std::wstring> ClassName() override { return std::nullopt; }
    };
    ScopedVariant f;
    CHECK(!ToVariant(Variant::Of(std::shared_ptr<platform::Dispatch>(new Foreign)), f.get()));
}

void DispatchByName() {
    TestObject object;
    object.Set(L"opener", VtBstr(L"x"));
    object.Set(L"closed", Vt(VT_BOOL));
    object.failing = {L"closed"};
    ComDispatch dispatch{Ref<IDispatch>(&object), kShell};

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
                       Variant::Of(std::make_shared<ComDispatch>(Ref<IDispatch>(&other), kShell))));
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
    // No type information at all is an "Object"; a type read that fails is
    // a class name that cannot be read, and so is a provider that fails.
    object.typeInfo = nullptr;
    CHECK(dispatch.ClassName() == std::optional<std::wstring>(L"Object"));
    object.typeInfoFails = true;
    CHECK(!dispatch.ClassName());
    object.typeInfoFails = false;
    object.provideClassInfo = true;
    object.classInfo = nullptr;
    CHECK(!dispatch.ClassName());
}

// Within a pass, the members of HTML documents and of their windows are
// resolved by name once (their ids are the class's own); a document whose
// class is not known to be HTML is asked by name every time, and the type
// name of one type-info object is asked once.
void MemberIdsOnce() {
    const auto coclass = TypeInfoNamed(L"HTMLDocument");
    TestObject windows[2], documents[3];
    for (auto& w : windows)
        w.Set(L"opener", VtBstr(L""));
    for (int i = 0; i < 3; ++i) {
        VARIANT window = Vt(VT_DISPATCH);
        V_DISPATCH(&window) = &windows[i % 2];
        windows[i % 2].AddRef();
        documents[i].Set(L"parentwindow", window);
        documents[i].classInfo = coclass;
    }
    documents[2].provideClassInfo = false;  // its class name cannot be read
    documents[2].typeInfoFails = true;
    {
        auto memo = std::make_shared<WalkMemo>();
        std::vector<std::shared_ptr<ComDispatch>> pages;
        for (auto& d : documents)
            pages.push_back(std::make_shared<ComDispatch>(Ref<IDispatch>(&d), kShell, memo));
        currentCase = "class names";
        CHECK(pages[0]->ClassName() == std::optional<std::wstring>(L"HTMLDocument"));
        CHECK(pages[1]->ClassName() == std::optional<std::wstring>(L"HTMLDocument"));
        CHECK(!pages[2]->ClassName());

        currentCase = "members of HTML documents and their windows, resolved once";
        const wchar_t* spellings[] = {L"parentWindow", L"PARENTWINDOW", L"parentwindow"};
        for (int i = 0; i < 3; ++i) {
            auto window = pages[i]->Get(spellings[i]);
            CHECK(window && window->IsObject() && window->object);
            if (window && window->object) {
                auto opener = window->object->Get(L"Opener");
                CHECK(opener && opener->kind == platform::Variant::Kind::String);
            }
        }
        CHECK(documents[0].idLookups + documents[1].idLookups == 1);
        CHECK(documents[2].idLookups == 1);
        // The window of the unknown document is not known to be HTML either.
        CHECK(windows[0].idLookups == 2 && windows[1].idLookups == 0);
    }
    currentCase = "every reference given back once the pass ends";
    CHECK(Eventually([&] { return windows[0].refs == 3 && windows[1].refs == 2; }));
    for (auto& d : documents)
        CHECK(Eventually([&d] { return d.refs == 1; }));
}

}  // namespace shutterling::win32::test
