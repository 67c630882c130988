#include "scenario.h"

#include <cwctype>

namespace sim {

const std::wstring* Step::Key(std::wstring_view key) const {
    for (auto& [k, v] : keys) {
        if (k == key)
            return &v;
    }
    return nullptr;
}

bool ParseLine(std::wstring_view text, int line, Step& step, std::wstring& error) {
    step = Step{};
    step.line = line;
    size_t i = 0;
    std::vector<std::wstring> tokens;
    std::vector<bool> quotedKey;  // whether the token has a key part before any quote
    while (i < text.size()) {
        while (i < text.size() && std::iswspace(text[i]))
            ++i;
        if (i >= text.size() || text[i] == L'#')
            break;
        std::wstring token;
        bool keyed = false, quoted = false;
        while (i < text.size() && !std::iswspace(text[i])) {
            wchar_t c = text[i++];
            if (c == L'=' && !quoted && !keyed)
                keyed = true;
            if (c != L'"') {
                token += c;
                continue;
            }
            quoted = true;
            bool closed = false;
            while (i < text.size()) {
                c = text[i++];
                if (c == L'\\' && i < text.size()) {
                    token += text[i++];
                } else if (c == L'"') {
                    closed = true;
                    break;
                } else {
                    token += c;
                }
            }
            if (!closed) {
                error = L"unterminated quote";
                return false;
            }
        }
        tokens.push_back(std::move(token));
        quotedKey.push_back(keyed);
    }
    for (size_t t = 0; t < tokens.size(); ++t) {
        if (t == 0) {
            step.verb = tokens[0];
        } else if (quotedKey[t]) {
            size_t eq = tokens[t].find(L'=');
            std::wstring key = tokens[t].substr(0, eq);
            for (auto& c : key)
                c = wchar_t(std::towlower(c));
            step.keys.emplace_back(std::move(key), tokens[t].substr(eq + 1));
        } else {
            step.words.push_back(std::move(tokens[t]));
        }
    }
    return true;
}

std::optional<int> ParseInt(std::wstring_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    bool negative = text[0] == L'-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    return negative ? -value : value;
}

std::optional<std::pair<int, int>> ParseSize(std::wstring_view text) {
    size_t x = text.find_first_of(L"xX");
    if (x == std::wstring_view::npos)
        return std::nullopt;
    auto w = ParseInt(text.substr(0, x));
    auto h = ParseInt(text.substr(x + 1));
    if (!w || !h)
        return std::nullopt;
    return std::pair{*w, *h};
}

std::optional<unsigned long> ParseSeconds(std::wstring_view text) {
    size_t dot = text.find(L'.');
    auto whole = ParseInt(text.substr(0, dot));
    std::wstring_view fraction = dot == std::wstring_view::npos ? L"" : text.substr(dot + 1);
    if (!whole || *whole < 0 || *whole > 1000000 || fraction.size() > 3)
        return std::nullopt;
    unsigned long ms = static_cast<unsigned long>(*whole) * 1000;
    unsigned long scale = 100;
    for (wchar_t c : fraction) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        ms += static_cast<unsigned long>(c - L'0') * scale;
        scale /= 10;
    }
    return ms;
}

std::optional<bool> ParseBool(std::wstring_view text) {
    if (text == L"yes" || text == L"true" || text == L"1" || text == L"on")
        return true;
    if (text == L"no" || text == L"false" || text == L"0" || text == L"off")
        return false;
    return std::nullopt;
}

}  // namespace sim
