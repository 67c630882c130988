// The safe list's data file, "ini\Shutterling.Dat" beside the executable.
#include <algorithm>
#include <set>
#include <utility>

#include "app/frmMain.h"
#include "store/data_file.h"
#include "store/safe_list_carry.h"

namespace shutterling {

namespace {

constexpr wchar_t kFolder[] = L"\\ini";
constexpr wchar_t kFileName[] = L"\\Shutterling.Dat";
constexpr wchar_t kTempSuffix[] = L".tmp";

bool EndsWith(const std::wstring& text, std::wstring_view suffix) {
    return text.size() >= suffix.size() &&
           std::wstring_view(text).substr(text.size() - suffix.size()) == suffix;
}

// List boxes end their text at a NUL, so a line is known by what precedes it.
std::wstring RawKey(std::wstring text) {
    if (const auto nul = text.find(L'\0'); nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

}  // namespace

void frmMain::LoadSafeList() {
    store::SafeListCarry& carry = safeListCarry;
    carry = {};
    // Any failure ends the load where it is; the list keeps what it took.
    const auto folder = platform.app.Path();
    if (!folder)
        return;
    strDataFile = *folder;
    strDataFile += kFolder;

    const auto exists = platform.files.FolderOrFileExists(strDataFile);
    if (!exists) {
        carry.contentUnknown = true;
        return;
    }
    if (!*exists) {
        if (!platform.files.CreateFolder(strDataFile))
            return;
        strDataFile += kFileName;
        return;
    }
    strDataFile += kFileName;

    const auto isFile = platform.files.FileExists(strDataFile);
    if (!isFile || !*isFile) {
        carry.contentUnknown = !isFile;
        return;
    }
    const auto bytes = platform.files.ReadFile(strDataFile);
    if (!bytes) {
        carry.contentUnknown = true;
        return;
    }
    std::vector<std::string> lines = store::ParseLines(*bytes);
    std::vector<std::wstring> keys;
    std::set<std::wstring> alteredKeys;
    keys.reserve(std::min<std::size_t>(lines.size(), platform::kListMax));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::wstring title = platform.codePage.FromAnsi(lines[i]);
        if (!lstSafe.AddItem(title)) {
            carry.unloaded.assign(std::make_move_iterator(lines.begin() + i),
                                  std::make_move_iterator(lines.end()));
            break;
        }
        const bool altered =
            lines[i].find('\0') != std::string::npos || platform.codePage.ToAnsi(title) != lines[i];
        keys.push_back(RawKey(std::move(title)));
        if (altered)
            alteredKeys.insert(keys.back());
    }
    // Every line that shows as an altered line's text is kept, in file order,
    // so that equal-looking entries get their own bytes back in turn.
    if (alteredKeys.empty())
        return;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (alteredKeys.count(keys[i]))
            carry.rawLines[keys[i]].push_back(std::move(lines[i]));
    }
}

void frmMain::SaveSafeList() {
    store::SafeListCarry carry = std::exchange(safeListCarry, {});
    if (carry.contentUnknown)
        return;

    std::wstring target;
    if (EndsWith(strDataFile, kFileName)) {
        target = strDataFile;
    } else if (EndsWith(strDataFile, kFolder)) {
        // The folder could not be created at start-up; never write the list
        // to the folder's own path.
        if (!platform.files.CreateFolder(strDataFile) &&
            platform.files.FolderOrFileExists(strDataFile) != true) {
            return;
        }
        target = strDataFile + kFileName;
    } else {
        return;  // start-up never learnt the executable's folder
    }

    // The whole text first: a list that cannot be read touches no file.
    std::string bytes;
    const auto count = lstSafe.ListCount();
    if (!count)
        return;
    for (std::int16_t i = 0; i < *count; ++i) {
        const auto title = lstSafe.List(i);
        if (!title)
            return;
        if (!carry.rawLines.empty()) {
            const auto it = carry.rawLines.find(RawKey(*title));
            if (it != carry.rawLines.end() && !it->second.empty()) {
                store::AppendLine(bytes, it->second.front());
                it->second.pop_front();
                continue;
            }
        }
        store::AppendLine(bytes, platform.codePage.ToAnsi(*title));
    }
    for (const auto& line : carry.unloaded)
        store::AppendLine(bytes, line);

    // A new file beside the old, then one replace: a failure or a crash at any
    // point leaves the old list whole.
    const std::wstring temp = target + kTempSuffix;
    if (!platform.files.WriteFile(temp, bytes) ||
        !platform.files.ReplaceFileAtomically(temp, target)) {
        platform.files.RemoveFile(temp);
    }
}

}  // namespace shutterling
