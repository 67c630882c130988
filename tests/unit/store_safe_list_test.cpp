// The safe list's data file: paths, load, save, and what no failure may lose.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "store/data_file.h"

namespace shutterling {
namespace {

using namespace std::string_literals;
using fakes::FakePlatform;

const std::wstring kFolder = L"C:\\Tools\\ini";
const std::wstring kFile = L"C:\\Tools\\ini\\Shutterling.Dat";
const std::wstring kTemp = L"C:\\Tools\\ini\\Shutterling.Dat.tmp";

class SafeList : public testing::Test {
  protected:
    FakePlatform p;

    void GivenFile(std::string bytes) {
        p.files.folders.insert(kFolder);
        p.files.files[kFile] = std::move(bytes);
    }
    std::optional<std::string> File(const std::wstring& path = kFile) {
        auto it = p.files.files.find(path);
        if (it == p.files.files.end())
            return std::nullopt;
        return it->second;
    }
    std::vector<std::wstring>& List() { return p.lstSafe.items; }
};

TEST_F(SafeList, FirstStartCreatesTheFolderAndShutDownAZeroByteFile) {
    p.form.LoadSafeList();
    EXPECT_TRUE(p.files.folders.count(kFolder));
    EXPECT_EQ(p.form.strDataFile, kFile);
    EXPECT_EQ(p.log.Find("ReadFile"), -1);
    EXPECT_TRUE(List().empty());
    p.form.SaveSafeList();
    EXPECT_EQ(File(), ""s);
    EXPECT_FALSE(File(kTemp));
}

TEST_F(SafeList, AFolderWithoutAFileStartsEmptyAndGetsTheFileAtShutDown) {
    p.files.folders.insert(kFolder);
    p.form.LoadSafeList();
    EXPECT_EQ(p.log.Find("CreateFolder"), -1);
    List().push_back(L"A");
    p.form.SaveSafeList();
    EXPECT_EQ(File(), "A\r\n"s);
}

TEST_F(SafeList, LoadsInOrderAndSavesEditsWithCrLfAfterEveryLine) {
    GivenFile("A\r\n\r\nB\rC\nD");
    p.form.LoadSafeList();
    EXPECT_EQ(List(), (std::vector<std::wstring>{L"A", L"", L"B", L"C\nD"}));
    List().erase(List().begin());
    List().push_back(L"B");
    p.form.SaveSafeList();
    EXPECT_EQ(File(), "\r\nB\r\nC\nD\r\nB\r\n"s);
    EXPECT_FALSE(File(kTemp));
}

TEST_F(SafeList, ASavedListLoadsBackTheSame) {
    GivenFile("");
    p.form.LoadSafeList();
    List() = {L"Caf\xE9", L"", L"dup", L"dup", L"a\nb"};
    p.form.SaveSafeList();

    FakePlatform next;
    next.files.CopyDiskFrom(p.files);
    next.form.LoadSafeList();
    EXPECT_EQ(next.lstSafe.items, List());
}

TEST_F(SafeList, AFileNamedIniPassesTheFolderTestAndTheSaveFailsSilently) {
    p.files.files[kFolder] = "not a folder";
    p.form.LoadSafeList();
    EXPECT_EQ(p.form.strDataFile, kFile);
    EXPECT_TRUE(List().empty());
    List().push_back(L"A");
    p.form.SaveSafeList();
    EXPECT_EQ(p.files.files, (std::map<std::wstring, std::string>{{kFolder, "not a folder"}}));
}

TEST_F(SafeList, AReadOnlyOrHiddenDataFileStaysUnchanged) {
    for (auto* attribute : {&p.files.readOnly, &p.files.hidden}) {
        p.files.readOnly.clear();
        p.files.hidden.clear();
        List().clear();
        GivenFile("old\r\n");
        attribute->insert(kFile);
        p.form.LoadSafeList();
        List().push_back(L"new");
        p.form.SaveSafeList();
        EXPECT_EQ(File(), "old\r\n"s);
        EXPECT_FALSE(File(kTemp));
    }
}

// A save that fails at any one of its file operations leaves the old list
// whole and no temporary file behind.
TEST_F(SafeList, AFaultAtAnyStepOfTheSaveKeepsTheOldFileWhole) {
    const std::string old = "old 1\r\nold 2\r\n";
    GivenFile(old);
    p.form.LoadSafeList();
    List().push_back(L"new");
    const std::string fresh = "old 1\r\nold 2\r\nnew\r\n";

    int steps = 0;
    {
        FakePlatform dry;
        dry.files.CopyDiskFrom(p.files);
        dry.lstSafe.items = List();
        dry.form.strDataFile = kFile;
        dry.files.afterEachCall = [&] { ++steps; };
        dry.form.SaveSafeList();
        ASSERT_EQ(dry.files.files.at(kFile), fresh);
    }
    ASSERT_GE(steps, 2);

    for (int failAt = 0; failAt < steps; ++failAt) {
        for (bool partial : {false, true}) {
            FakePlatform run;
            run.files.folders = p.files.folders;
            run.files.files = {{kFile, old}};
            run.files.partialWrite = partial ? std::optional<std::size_t>(3) : std::nullopt;
            run.form.LoadSafeList();  // finds the path; the list is set below
            run.lstSafe.items = List();
            int call = 0;
            run.files.failWhen = [&](const std::string&, const std::wstring&) {
                return call++ == failAt;
            };
            run.form.SaveSafeList();
            ASSERT_GT(call, failAt) << "the save never reached step " << failAt;
            const auto data = run.files.files.find(kFile);
            ASSERT_NE(data, run.files.files.end()) << "fault at step " << failAt;
            EXPECT_EQ(data->second, old) << "fault at step " << failAt;
            EXPECT_EQ(run.files.files.count(kTemp), 0u) << "fault at step " << failAt;
        }
    }
}

TEST_F(SafeList, AtEveryMomentOfTheSaveTheDataFileIsTheOldOrTheNewListWhole) {
    const std::string old = "A\r\nB\r\n";
    GivenFile(old);
    p.form.LoadSafeList();
    List().push_back(L"C");
    std::vector<std::optional<std::string>> seen;
    p.files.afterEachCall = [&] { seen.push_back(File()); };
    p.form.SaveSafeList();
    ASSERT_FALSE(seen.empty());
    for (const auto& state : seen) {
        EXPECT_TRUE(state == old || state == "A\r\nB\r\nC\r\n"s) << testing::PrintToString(state);
    }
    EXPECT_EQ(seen.back(), "A\r\nB\r\nC\r\n"s);
}

TEST_F(SafeList, AnUnreadableListTouchesNoFile) {
    GivenFile("A\r\n");
    p.form.LoadSafeList();
    p.lstSafe.readsFail = true;
    p.log.Clear();
    p.form.SaveSafeList();
    EXPECT_TRUE(p.log.Entries().empty());
    EXPECT_EQ(File(), "A\r\n"s);
}

// A data file the load could not read is not replaced by the (empty) list.
TEST_F(SafeList, AFileTheLoadCouldNotReadIsLeftAlone) {
    for (const char* op : {"FolderOrFileExists", "FileExists", "ReadFile"}) {
        FakePlatform run;
        run.files.folders.insert(kFolder);
        run.files.files[kFile] = "kept\r\n";
        run.files.failing = {op};
        run.form.LoadSafeList();
        run.files.failing.clear();
        run.lstSafe.items.push_back(L"edit");
        run.form.SaveSafeList();
        EXPECT_EQ(run.files.files.at(kFile), "kept\r\n") << op;
        EXPECT_EQ(run.files.files.count(kTemp), 0u) << op;
    }
}

TEST_F(SafeList, WithoutTheFolderOfTheExecutableNothingIsReadOrWritten) {
    p.app.path = std::nullopt;
    p.form.LoadSafeList();
    EXPECT_TRUE(p.form.strDataFile.empty());
    List().push_back(L"A");
    p.form.SaveSafeList();
    EXPECT_TRUE(p.files.files.empty());
}

// The folder could not be created at start-up, so the path names the folder.
TEST_F(SafeList, TheSaveNeverWritesTheListToTheFolderPath) {
    p.files.failing = {"CreateFolder"};
    p.form.LoadSafeList();
    ASSERT_EQ(p.form.strDataFile, kFolder);
    List().push_back(L"A");

    FakePlatform stillFailing;
    stillFailing.files.CopyDiskFrom(p.files);
    stillFailing.files.failing = p.files.failing;
    stillFailing.form.strDataFile = kFolder;
    stillFailing.lstSafe.items = List();
    stillFailing.form.SaveSafeList();
    EXPECT_TRUE(stillFailing.files.files.empty());

    p.files.failing.clear();
    p.form.SaveSafeList();
    EXPECT_EQ(p.files.files, (std::map<std::wstring, std::string>{{kFile, "A\r\n"}}));
    EXPECT_TRUE(p.files.folders.count(kFolder));
}

std::string NumberedLines(int from, int to) {
    std::string bytes;
    for (int i = from; i < to; ++i) {
        bytes += 'T';
        store::AppendLine(bytes, std::to_string(i));
    }
    return bytes;
}

TEST_F(SafeList, LinesBeyondWhatTheListHoldsAreWrittenBackAfterTheList) {
    const int total = platform::kListMax + 3;
    GivenFile(NumberedLines(0, total));
    p.form.LoadSafeList();
    ASSERT_EQ(List().size(), static_cast<std::size_t>(platform::kListMax));
    EXPECT_EQ(List().back(), L"T32766");
    List().erase(List().begin() + 5);
    p.form.SaveSafeList();
    // Compared as a whole: a diff of 32,767 lines would drown the report.
    EXPECT_TRUE(File() == NumberedLines(0, 5) + NumberedLines(6, total));
}

TEST_F(SafeList, ALoadEndedByTheListKeepsEveryLineItDidNotTake) {
    GivenFile("A\r\nB\r\n");
    p.lstSafe.addFails = true;
    p.form.LoadSafeList();
    EXPECT_TRUE(List().empty());
    p.form.SaveSafeList();
    EXPECT_EQ(File(), "A\r\nB\r\n"s);
}

TEST_F(SafeList, HundredThousandLinesAndAMegabyteLineSurviveUnchanged) {
    const std::string big(1 << 20, 'x');
    const std::string bytes = big + "\r\n" + NumberedLines(0, 100000);
    GivenFile(bytes);
    p.form.LoadSafeList();
    EXPECT_EQ(List().front().size(), big.size());
    p.form.SaveSafeList();
    EXPECT_TRUE(File() == bytes);
}

// A list box whose entries end at the first NUL, as a real one does.
class NulEndingListBox : public fakes::FakeListBox {
  public:
    using FakeListBox::FakeListBox;
    bool AddItem(const std::wstring& item) override {
        return FakeListBox::AddItem(item.substr(0, item.find(L'\0')));
    }
};

TEST_F(SafeList, BytesTheCodePageOrTheListCannotCarryAreWrittenBackExactly) {
    p.codePage.undefinedBytes = {0x81, 0x8D};
    NulEndingListBox list{p.log, "lstSafe"};
    platform::Platform custom = p.platform;
    platform::Platform withList{
        custom.shell,
        custom.system,
        custom.app,
        custom.window,
        {p.lstPopups, list, p.chkBeep, p.chkReset, p.chkWindowStartup, p.lblCounter},
        custom.tray,
        custom.settings,
        custom.registry,
        custom.files,
        custom.codePage,
        custom.about,
        custom.launcher,
        custom.menu,
        custom.images};
    frmMain form{withList};
    const std::string bytes = "a\x81\r\nnul\0tail\r\n\x8D\r\nplain\r\n\x81\r\n"s;
    GivenFile(bytes);
    form.LoadSafeList();
    EXPECT_EQ(list.items,
              (std::vector<std::wstring>{L"a\xFFFD", L"nul", L"\xFFFD", L"plain", L"\xFFFD"}));
    form.SaveSafeList();
    EXPECT_EQ(File(), bytes);

    // A new entry that only looks the same is written as the code page gives it.
    list.items.clear();
    form.LoadSafeList();
    list.items.push_back(L"\xFFFD");
    form.SaveSafeList();
    EXPECT_EQ(File(), bytes + "?\r\n");
}

// An empty line and a line that starts with a NUL look alike in the list.
TEST_F(SafeList, EqualLookingLinesKeepTheirOrder) {
    const std::string bytes = "\r\n\0x\r\n\r\n\0y\r\n"s;
    GivenFile(bytes);
    p.form.LoadSafeList();
    p.form.SaveSafeList();
    EXPECT_EQ(File(), bytes);
}

}  // namespace
}  // namespace shutterling
