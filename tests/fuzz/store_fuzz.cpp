// Fuzzes the data-file reader (alone and through load and save on the fakes)
// and the option and count parsers. Every input is checked against properties
// that must hold for any bytes; a violation prints the input and exits 1.
//
//   store_fuzz [--runs N] [--seed S] [--seconds T]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "fakes/fake_platform.h"
#include "store/count_text.h"
#include "store/data_file.h"
#include "store/option_text.h"

namespace {

using namespace shutterling;

std::mt19937_64 rng;

std::size_t Below(std::size_t n) {
    return static_cast<std::size_t>(rng() % n);
}

[[noreturn]] void Fail(const char* target, const char* what, const std::string& input) {
    std::fprintf(stderr, "%s: %s\ninput (%zu bytes):", target, what, input.size());
    for (unsigned char c : input)
        std::fprintf(stderr, " %02x", c);
    std::fprintf(stderr, "\n");
    std::exit(1);
}

std::string Hex(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<char>(c >> shift));
    }
    return bytes;
}

// Bytes biased toward what matters to the reader: line ends, NULs, high bytes.
std::string RandomBytes(std::size_t maxLength) {
    static const char interesting[] = {'\r', '\n', '\0', 'A', 'b', ' ', '\x81', '\xff', '\xe9'};
    std::string bytes(Below(maxLength + 1), '\0');
    for (char& c : bytes) {
        c = Below(4) ? interesting[Below(sizeof interesting)] : static_cast<char>(rng());
    }
    return bytes;
}

// Text of the kind the settings store could hold, seeded with real option texts.
std::wstring RandomOptionText() {
    static const std::wstring seeds[] = {
        L"",      L"0",     L"1",      L"2",     L"41",
        L"7",     L"-1",    L" 41 ",   L"1e999", L"41.5",
        L"1E+15", L"32767", L"-32768", L"abc",   L"9007199254740993"};
    static const wchar_t alphabet[] = L"0123456789 \t+-.eEx\xFF11\x0660";
    std::wstring text = seeds[Below(std::size(seeds))];
    for (std::size_t edits = Below(6); edits > 0; --edits) {
        const wchar_t c = Below(8) ? alphabet[Below(std::size(alphabet) - 1)]
                                   : static_cast<wchar_t>(rng() & 0xFFFF);
        switch (Below(3)) {
            case 0:
                text.insert(text.begin() + static_cast<std::ptrdiff_t>(Below(text.size() + 1)), c);
                break;
            case 1:
                if (!text.empty())
                    text[Below(text.size())] = c;
                break;
            default:
                if (!text.empty())
                    text.erase(Below(text.size()), 1);
        }
    }
    if (Below(50) == 0)
        text.append(std::wstring(Below(4000), L'9'));
    return text;
}

void FuzzParseLines(const std::string& bytes) {
    const auto lines = store::ParseLines(bytes);
    std::string joined, stripped;
    for (const auto& line : lines) {
        if (line.find('\r') != std::string::npos)
            Fail("reader", "a line holds a CR", bytes);
        joined += line;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            stripped.push_back(bytes[i]);
        else if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    if (joined != stripped)
        Fail("reader", "text other than line ends was lost or added", bytes);
    if (store::ParseLines(store::SerialiseLines(lines)) != lines) {
        Fail("reader", "written lines do not read back", bytes);
    }
}

// Load the file, save it unchanged (sometimes with a fault at one save step):
// the data file must hold the old bytes or their normal form, never else.
void FuzzLoadSave(const std::string& bytes) {
    fakes::FakePlatform p;
    p.codePage.undefinedBytes = {0x81, 0x8D};
    p.files.folders.insert(L"C:\\Tools\\ini");
    const std::wstring file = L"C:\\Tools\\ini\\Shutterling.Dat";
    p.files.files[file] = bytes;
    p.form.LoadSafeList();
    const std::string normal = store::SerialiseLines(store::ParseLines(bytes));
    const bool fault = Below(3) == 0;
    if (fault) {
        const std::size_t failAt = Below(3);
        p.files.partialWrite = Below(bytes.size() + 1);
        p.files.failWhen = [n = std::size_t{0}, failAt](const std::string&,
                                                        const std::wstring&) mutable {
            return n++ == failAt;
        };
    }
    p.form.SaveSafeList();
    const auto it = p.files.files.find(file);
    if (it == p.files.files.end())
        Fail("load/save", "the data file is gone", bytes);
    if (it->second != normal && !(fault && it->second == bytes)) {
        Fail("load/save", "the saved file differs from what was loaded", bytes);
    }
    if (p.files.files.size() != 1)
        Fail("load/save", "a temporary file was left", bytes);
}

void FuzzOptions(const std::wstring& text) {
    if (const auto value = store::ParseCheckValue(text)) {
        if (store::ParseCheckValue(store::CheckValueText(*value)) != value) {
            Fail("check value", "its text does not read back", Hex(text));
        }
    }
    if (const auto count = store::ParseCount(text)) {
        if (!std::isfinite(*count) || *count < 0 || *count != std::floor(*count)) {
            Fail("count", "accepted a value that is no whole count", Hex(text));
        }
        const std::wstring shown = CountText(*count);
        if (shown.find_first_not_of(L"0123456789") != std::wstring::npos ||
            store::ParseCount(shown) != count) {
            Fail("count", "its text is not plain digits that read back", Hex(text));
        }
    }
    // Through the main window object: a bad text fails only its own step.
    fakes::FakePlatform p;
    p.chkBeep.value = 1;
    p.settings.values[{L"Shutterling", L"Options", L"Beep"}] = text;
    p.settings.values[{L"Shutterling", L"Options", L"PopupCounter"}] = text;
    p.form.LoadOptions();
    if (p.chkBeep.value > 2 || p.chkBeep.value < 0)
        Fail("options", "bad check value", Hex(text));
    p.form.SaveOptions();
    const auto saved = p.settings.Stored(L"PopupCounter");
    if (!saved || store::ParseCount(*saved) != p.form.dblBlockedCount) {
        Fail("options", "the saved count does not read back", Hex(text));
    }
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 100000;
    unsigned long long seed = 20240601;
    double seconds = 15;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--runs"))
            runs = std::atol(argv[i + 1]);
        if (!std::strcmp(argv[i], "--seed"))
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[i + 1]);
    }
    rng.seed(seed);
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    long done = 0;
    long executions = 0;
    for (; done < runs && elapsed() < seconds; ++done) {
        const std::string bytes = RandomBytes(done % 100 == 0 ? 4096 : 64);
        FuzzParseLines(bytes);
        FuzzLoadSave(bytes);
        FuzzOptions(RandomOptionText());
        executions += 3;
    }
    std::printf("store_fuzz: seed %llu, %ld of %ld runs (%ld executions) in %.2f s, no failure%s\n",
                seed, done, runs, executions, elapsed(),
                done < runs ? " (stopped at the time cap)" : "");
    return 0;
}
