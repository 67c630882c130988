// The window settings of "open" and "set" lines.
#include <cwctype>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>

#include "faults.h"
#include "scenario.h"
#include "window.h"

namespace sim {
namespace {

bool ParseOpener(const std::wstring& v, WindowProps& p) {
    static const std::pair<const wchar_t*, OpenerKind> kinds[] = {
        {L"none", OpenerKind::None},     {L"empty", OpenerKind::Empty}, {L"null", OpenerKind::Null},
        {L"object", OpenerKind::Object}, {L"fail", OpenerKind::Fail},
    };
    for (auto& [name, kind] : kinds) {
        if (v == name) {
            p.opener = kind;
            return true;
        }
    }
    if (v.empty())
        return false;
    p.opener = OpenerKind::Window;
    p.openerWindow = v;
    return true;
}

const std::set<std::wstring>& Reads() {
    static const std::set<std::wstring> known = {
        L"document", L"fullscreen",   L"menubar", L"locationname", L"width",  L"height",
        L"hwnd",     L"parentwindow", L"opener",  L"putopener",    L"closed", L"quit"};
    return known;
}

// Reads of the page, which its own thread serves with page=own: the
// document's and the script window's. parent and classname can only hang.
const std::set<std::wstring>& PageReads() {
    static const std::set<std::wstring> page = {L"parentwindow", L"opener", L"putopener",
                                                L"closed",       L"parent", L"classname"};
    return page;
}

std::wstring ReadOf(const std::wstring& hang) {
    std::wstring read = hang.substr(0, hang.find(L':'));
    for (auto& c : read)
        c = wchar_t(towlower(c));
    return read;
}

// hang=READ:SECONDS, hang=READ:forever, hang=no
bool ParseHang(const std::wstring& value, WindowProps& p, std::wstring& error) {
    if (value == L"no") {
        p.hangRead.clear();
        return true;
    }
    size_t colon = value.find(L':');
    std::wstring read = ReadOf(value);
    // parent and closed are those of the window's own window object, which
    // its popups reach as their opener; classname is the document's class
    // name, asked through IProvideClassInfo or GetTypeInfo.
    if (!Reads().count(read) && !PageReads().count(read)) {
        error = L"unknown read to hang: " + read;
        return false;
    }
    if (colon == std::wstring::npos)
        return false;
    std::wstring time = value.substr(colon + 1);
    auto ms = time == L"forever" ? std::optional<DWORD>(INFINITE) : ParseSeconds(time);
    if (!ms)
        return false;
    p.hangRead = read;
    p.hangMs = *ms;
    return true;
}

}  // namespace

bool IsPageHang(const std::wstring& value) {
    return value == L"no" || PageReads().count(ReadOf(value)) != 0;
}

bool ApplyKey(WindowProps& p, const std::wstring& key, const std::wstring& value,
              std::wstring& error) {
    auto flag = [&](bool& target) {
        auto b = ParseBool(value);
        if (b)
            target = *b;
        return b.has_value();
    };
    // A setting of two words: `on` sets the flag, `off` clears it.
    auto either = [&](bool& target, const wchar_t* on, const wchar_t* off) {
        if (value != on && value != off)
            return false;
        target = value == on;
        return true;
    };
    auto size = [&](int& w, int& h) {
        auto s = ParseSize(value);
        if (s)
            std::tie(w, h) = *s;
        return s.has_value();
    };
    bool ok = true;
    if (key == L"title") {
        p.title = value;
    } else if (key == L"doc") {
        if (value == L"html")
            p.doc = DocKind::Html;
        else if (value == L"other")
            p.doc = DocKind::Other;
        else if (value == L"none")
            p.doc = DocKind::None;
        else
            ok = false;
    } else if (key == L"class") {
        p.className = value;
    } else if (key == L"classinfo") {
        ok = flag(p.classInfo);
    } else if (key == L"opener") {
        ok = ParseOpener(value, p);
    } else if (key == L"closed") {
        if (value == L"live")
            p.closed = ClosedMode::Live;
        else if (value == L"false")
            p.closed = ClosedMode::False;
        else if (value == L"true")
            p.closed = ClosedMode::True;
        else if (value == L"fail")
            p.closed = ClosedMode::Fail;
        else
            ok = false;
    } else if (key == L"menubar") {
        ok = flag(p.menubar);
    } else if (key == L"fullscreen") {
        ok = flag(p.fullscreen);
    } else if (key == L"size") {
        ok = size(p.width, p.height);
    } else if (key == L"restored") {
        ok = size(p.restoredWidth, p.restoredHeight);
    } else if (key == L"pos") {
        size_t comma = value.find(L',');
        auto x = ParseInt(value.substr(0, comma));
        auto y = comma == std::wstring::npos ? std::nullopt : ParseInt(value.substr(comma + 1));
        ok = x && y;
        if (ok)
            p.x = *x, p.y = *y;
    } else if (key == L"state") {
        if (value == L"normal")
            p.show = SW_SHOWNOACTIVATE;
        else if (value == L"max")
            p.show = SW_SHOWMAXIMIZED;
        else if (value == L"min")
            p.show = SW_SHOWMINNOACTIVE;
        else
            ok = false;
    } else if (key == L"fail") {
        const auto& known = Reads();
        p.fails.clear();
        size_t start = 0;
        while (ok && start <= value.size() && !value.empty()) {
            size_t comma = value.find(L',', start);
            std::wstring item = value.substr(start, comma - start);
            for (auto& c : item)
                c = wchar_t(towlower(c));
            if (!known.count(item)) {
                error = L"unknown read to fail: " + item;
                return false;
            }
            // "closed" is the opener's parent.closed, which the opener object answers.
            if (item == L"closed")
                p.closed = ClosedMode::Fail;
            else
                p.fails.insert(item);
            if (comma == std::wstring::npos)
                break;
            start = comma + 1;
        }
    } else if (key == L"tab") {
        p.tabOf = value;
        ok = !value.empty();
    } else if (key == L"onclose") {
        ok = either(p.ignoreClose, L"ignore", L"destroy");
    } else if (key == L"fire") {
        // fire=inside:N raises the event inside the client's N-th call from
        // now, fire=inside:advise inside the next subscription.
        if (value == L"inside:advise") {
            p.fire = false;
            p.fireInside = kAtAdvise;
        } else if (value.rfind(L"inside:", 0) == 0) {
            auto calls = ParseInt(value.substr(7));
            ok = calls && *calls > 0;
            p.fire = false;
            p.fireInside = ok ? *calls : 0;
        } else {
            ok = flag(p.fire);
            p.fireInside = 0;
        }
    } else if (key == L"thread") {
        ok = either(p.ownThread, L"own", L"shared");
    } else if (key == L"page") {
        ok = either(p.ownPage, L"own", L"shared");
    } else if (key == L"hang") {
        std::wstring why;
        ok = ParseHang(value, p, why);
        if (!why.empty()) {
            error = why;
            return false;
        }
        p.ownThread = true;
    } else if (key == L"busy") {
        // busy=SECONDS, busy=SECONDS:filter, busy=SECONDS:reject, busy=no
        size_t colon = value.find(L':');
        std::wstring by = colon == std::wstring::npos ? L"" : value.substr(colon + 1);
        auto ms = value == L"no" ? std::optional<DWORD>(0) : ParseSeconds(value.substr(0, colon));
        ok = ms && (by.empty() || by == L"filter" || by == L"reject");
        if (ok) {
            p.busyMs = *ms;
            p.busyBy = by.empty()        ? BusyBy::Member
                       : by == L"filter" ? BusyBy::Filter
                                         : BusyBy::FilterReject;
        }
        p.ownThread = true;
    } else {
        error = L"unknown setting: " + key;
        return false;
    }
    if (!ok)
        error = L"bad value for " + key + L": " + value;
    return ok;
}

}  // namespace sim
