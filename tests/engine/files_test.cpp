// Opening several files, appending, saving and closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>

#include "engine_fixture.h"
#include "tesmora/document/pipeline.h"

namespace tesmora {
namespace {

namespace fs = std::filesystem;
using testing::EngineTest;
using testing::ReadBytes;

bool Identity(Document& doc, TextWriter& out) {
    TextReader reader = doc.Records();
    Line line;
    while (reader.Next(line)) out.WriteRecord(line.text);
    return true;
}

class FilesTest : public EngineTest {};

struct OrderCase {
    int add_jun;
    const char* first;
    std::vector<std::string> records;
    friend void PrintTo(const OrderCase& c, std::ostream* os) { *os << "AddJun" << c.add_jun; }
};

class JoinOrderTest : public FilesTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(JoinOrderTest, OrdersNamesByAddJun) {
    const OrderCase& c = GetParam();
    settings.SetInt("AddRead", "AddJun", c.add_jun);
    const std::string b = MakeFile("b.txt", "b1,x\r\n");
    const std::string a = MakeFile("a.txt", "a1,x\r\n");
    ASSERT_TRUE(doc->OpenFiles({b, a}, true));
    EXPECT_EQ(doc->CurrentFileName(), Path(c.first));
    EXPECT_EQ(Records(), c.records);
    EXPECT_TRUE(doc->Modified());
}

INSTANTIATE_TEST_SUITE_P(AddJun, JoinOrderTest,
                         ::testing::Values(OrderCase{1, "a.txt", {"a1,x", "b1,x"}},
                                           OrderCase{2, "b.txt", {"b1,x", "a1,x"}},
                                           OrderCase{3, "b.txt", {"b1,x", "a1,x"}},
                                           OrderCase{0, "b.txt", {"b1,x", "a1,x"}}));

TEST_F(FilesTest, OneDroppedFileOpensAndSetsModified) {
    ASSERT_TRUE(doc->OpenFiles({MakeFile("one.csv", "a,b\r\n")}, true));
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(view.recent, std::vector<std::string>{Path("one.csv")});
    messages.Answer(30002, kIdNo);
    EXPECT_TRUE(doc->CloseDocument());
    EXPECT_TRUE(messages.Saw(30002));
}

TEST_F(FilesTest, OpenCommandLeavesModifiedClear) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("one.csv", "a,b\r\n")));
    EXPECT_FALSE(doc->Modified());
    EXPECT_TRUE(doc->CloseDocument());
    EXPECT_FALSE(messages.Saw(30002));
}

struct FirstRecCase {
    int answer;  // to 30021
    bool opened;
    std::vector<std::string> records;
    int setting_after;
    friend void PrintTo(const FirstRecCase& c, std::ostream* os) { *os << "answer" << c.answer; }
};

class FirstRecTest : public FilesTest, public ::testing::WithParamInterface<FirstRecCase> {};

TEST_P(FirstRecTest, AsksAndSkipsHeaderLines) {
    const FirstRecCase& c = GetParam();
    settings.SetInt("AddRead", "FirstRec", 2);
    messages.Answer(30021, c.answer);
    const std::string a = MakeFile("a.txt", "h,a\r\na1,x\r\n");
    const std::string b = MakeFile("b.txt", "h,b\r\nb1,x\r\n");
    EXPECT_EQ(doc->OpenFiles({a, b}, true), c.opened);
    EXPECT_EQ(Records(), c.records);
    EXPECT_EQ(settings.GetInt("AddRead", "FirstRec", 1), c.setting_after);
}

INSTANTIATE_TEST_SUITE_P(Answers, FirstRecTest,
                         ::testing::Values(FirstRecCase{kIdNo, true, {"h,a", "a1,x", "b1,x"}, 2},
                                           FirstRecCase{
                                               kIdYes, true, {"h,a", "a1,x", "h,b", "b1,x"}, 1},
                                           FirstRecCase{kIdCancel, false, {"h,a", "a1,x"}, 2}));

TEST_F(FilesTest, DroppingOnAnOpenDocumentAppendsAndKeepsItsName) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("doc.csv", "d,1\r\n")));
    ASSERT_TRUE(doc->OpenFiles({MakeFile("more.csv", "m,2\r\nm,3\r\n")}, true));
    EXPECT_EQ(doc->CurrentFileName(), Path("doc.csv"));
    EXPECT_EQ(Records(), (std::vector<std::string>{"d,1", "m,2", "m,3"}));
    EXPECT_EQ(doc->Stats().records, 3);
    EXPECT_TRUE(doc->Modified());
}

TEST_F(FilesTest, FilesKeepTheirOwnFolders) {
    fs::create_directories(dir_ / "one");
    fs::create_directories(dir_ / "two");
    const std::string a = MakeFile("one/a.csv", "a,1\r\n");
    const std::string b = MakeFile("two/b.csv", "b,2\r\n");
    ASSERT_TRUE(doc->OpenFiles({b, a}, true));
    EXPECT_EQ(Records(), (std::vector<std::string>{"a,1", "b,2"}));
}

TEST_F(FilesTest, AppendAfterALastRecordWithoutBreakStartsANewRecord) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("doc.csv", "d,1\r\ne,2")));
    ASSERT_TRUE(doc->OpenFiles({MakeFile("more.csv", "m,3\n")}, true));
    EXPECT_EQ(Records(), (std::vector<std::string>{"d,1", "e,2", "m,3"}));
}

TEST_F(FilesTest, AppendOfAMissingFileSays30003) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("doc.csv", "d,1\r\n")));
    EXPECT_FALSE(doc->OpenFiles({Path("gone.csv")}, true));
    EXPECT_EQ(messages.texts.back(), Path("gone.csv") + "\nファイルのオープンに失敗");
    EXPECT_EQ(Records(), std::vector<std::string>{"d,1"});
}

TEST_F(FilesTest, AppendedFileThatFailsTheTextCheckIsRefused) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("doc.csv", "d,1\r\n")));
    EXPECT_FALSE(doc->AppendFile(MakeFile("bin.dat", std::string("a\0b\r\n", 5))));
    EXPECT_TRUE(messages.Saw(30033));
}

TEST_F(FilesTest, SaveWritesCrLfEverywhereAndOnlyWhenModified) {
    const std::string path = MakeFile("doc.csv", "a,1\nb,2");
    ASSERT_TRUE(doc->OpenDocument(path));
    ASSERT_TRUE(doc->Save());
    EXPECT_EQ(ReadBytes(path), "a,1\nb,2");  // nothing changed, nothing written
    ASSERT_TRUE(RunOperation(*doc, Identity));
    ASSERT_TRUE(doc->Save());
    EXPECT_EQ(ReadBytes(path), "a,1\r\nb,2\r\n");
    EXPECT_FALSE(doc->Modified());
    EXPECT_TRUE(doc->CanUndo());  // a save keeps undo
}

TEST_F(FilesTest, SaveKeepsThePermissionsOfTheFile) {
    const std::string path = MakeFile("doc.csv", "a,1\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                    fs::perm_options::replace);
    // Windows keeps only the write bits, for all at once.
    const fs::perms before = fs::status(path).permissions() & fs::perms::all;
#ifndef _WIN32
    ASSERT_EQ(before, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    ASSERT_TRUE(doc->OpenDocument(path));
    ASSERT_TRUE(RunOperation(*doc, Identity));
    ASSERT_TRUE(doc->Save());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, before);
}

TEST_F(FilesTest, SaveAsAsksBeforeOverwriting) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("doc.csv", "a,1\r\n")));
    const std::string other = MakeFile("other.csv", "old\r\n");
    messages.Answer(30009, kIdNo);
    EXPECT_FALSE(doc->SaveAs(other));
    EXPECT_EQ(ReadBytes(other), "old\r\n");
    EXPECT_EQ(doc->CurrentFileName(), Path("doc.csv"));
    messages.Answer(30009, kIdYes);
    EXPECT_TRUE(doc->SaveAs(other));
    EXPECT_TRUE(messages.Saw(30011));
    EXPECT_EQ(ReadBytes(other), "a,1\r\n");
    EXPECT_EQ(doc->CurrentFileName(), other);
    EXPECT_EQ(view.recent.back(), other);
}

TEST_F(FilesTest, SaveToAReadOnlyTargetFailsAndKeepsEverything) {
    const std::string path = MakeFile("doc.csv", "a,1\r\n");
    ASSERT_TRUE(doc->OpenDocument(path));
    ASSERT_TRUE(RunOperation(*doc, [](Document&, TextWriter& out) {
        out.WriteRecord("new");
        return true;
    }));
    fs::permissions(path, fs::perms::owner_read, fs::perm_options::replace);
    EXPECT_FALSE(doc->Save());
    EXPECT_EQ(messages.texts.back(),
              path + "\nファイルの作成に失敗\nアクセス権がない可能性があります");
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(ReadBytes(path), "a,1\r\n");
    // No stray file beside the target.
    int files = 0;
    for (auto& e : fs::directory_iterator(dir_)) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(FilesTest, SaveIntoAMissingFolderFailsWithoutTouchingAnything) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("doc.csv", "a,1\r\n")));
    EXPECT_FALSE(doc->SaveDocument(Path("no/such/dir.csv"), false));
    EXPECT_TRUE(messages.Saw(30039));
}

struct CloseCase {
    int answer;
    bool save_fails;
    bool closed;
    std::string file_after;
    friend void PrintTo(const CloseCase& c, std::ostream* os) {
        *os << "answer" << c.answer << (c.save_fails ? "-save-fails" : "");
    }
};

class ClosePromptTest : public FilesTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ClosePromptTest, AnswersToThePrompt) {
    const CloseCase& c = GetParam();
    const std::string path = MakeFile("doc.csv", "a,1\r\n");
    ASSERT_TRUE(doc->OpenDocument(path));
    ASSERT_TRUE(RunOperation(*doc, [](Document&, TextWriter& out) {
        out.WriteRecord("new");
        return true;
    }));
    const std::string working = doc->WorkingFileName();
    const std::string previous = doc->PreviousWorkingFileName();
    if (c.save_fails) fs::permissions(path, fs::perms::owner_read, fs::perm_options::replace);
    messages.Answer(30002, c.answer);
    EXPECT_EQ(doc->CloseDocument(), c.closed);
    EXPECT_EQ(ReadBytes(path), c.file_after);
    EXPECT_EQ(doc->IsOpen(), !c.closed);
    if (c.closed) {
        EXPECT_FALSE(fs::exists(working));
        EXPECT_FALSE(fs::exists(previous));
        EXPECT_FALSE(doc->CanUndo());
        EXPECT_FALSE(doc->Modified());
        EXPECT_TRUE(doc->CurrentFileName().empty());
        EXPECT_EQ(view.clears, 1);
    } else {
        EXPECT_TRUE(doc->Modified());
        EXPECT_EQ(Records(), std::vector<std::string>{"new"});
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ClosePromptTest,
                         ::testing::Values(CloseCase{kIdYes, false, true, "new\r\n"},
                                           CloseCase{kIdNo, false, true, "a,1\r\n"},
                                           CloseCase{kIdCancel, false, false, "a,1\r\n"},
                                           CloseCase{kIdYes, true, false, "a,1\r\n"}));

TEST_F(FilesTest, UndoAfterSaveRestoresAndLeavesModifiedClear) {
    const std::string path = MakeFile("doc.csv", "a,1\r\n");
    ASSERT_TRUE(doc->OpenDocument(path));
    ASSERT_TRUE(RunOperation(*doc, [](Document&, TextWriter& out) {
        out.WriteRecord("new");
        return true;
    }));
    ASSERT_TRUE(doc->Save());
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Records(), std::vector<std::string>{"a,1"});
    EXPECT_FALSE(doc->Modified());
    EXPECT_TRUE(doc->CloseDocument());
    EXPECT_FALSE(messages.Saw(30002));
}

TEST_F(FilesTest, ShutdownDeletesEveryTemporaryFileButNeverTheUsersFile) {
    const std::string path = MakeFile("doc.csv", "a,1\r\n");
    ASSERT_TRUE(doc->OpenDocument(path));
    ASSERT_TRUE(RunOperation(*doc, Identity));
    std::vector<std::string> temps{doc->WorkingFileName(), doc->IndexFileName(),
                                   doc->PreviousWorkingFileName(), doc->PreviousIndexFileName()};
    doc.reset();
    for (const auto& t : temps) EXPECT_FALSE(fs::exists(t)) << t;
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(FilesTest, InPlaceDocumentIsNeverWrittenOrDeleted) {
    const std::string path = MakeFile("in.csv", "a,1\nb,2\n");
    ASSERT_TRUE(doc->LoadWorkingFile(path, LoadMode::InPlace));
    ASSERT_TRUE(RunOperation(*doc, Identity));
    ASSERT_TRUE(RunOperation(*doc, Identity));  // the in-place file is given up here
    doc.reset();
    EXPECT_EQ(ReadBytes(path), "a,1\nb,2\n");
}

TEST_F(FilesTest, CommittedOutputMovesIntoPlaceKeepingTheTargetsPermissions) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", "a,1\nb,2")));
    ASSERT_TRUE(RunOperation(*doc, Identity));
    const std::string working = doc->WorkingFileName();
    const std::string target = MakeFile("out.csv", "old\r\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    const fs::perms before = fs::status(target).permissions() & fs::perms::all;
#ifndef _WIN32
    ASSERT_EQ(before, fs::perms::owner_read | fs::perms::owner_write);
#endif
    ASSERT_TRUE(doc->MoveWorkingFileTo(target));
    EXPECT_EQ(ReadBytes(target), "a,1\r\nb,2\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, before);
    EXPECT_FALSE(fs::exists(working));
    EXPECT_FALSE(doc->IsOpen());
    doc.reset();
    EXPECT_TRUE(fs::exists(target));  // no longer ours to delete
}

TEST_F(FilesTest, AKeptOutputGoesToTheDiskAsWrittenAndArrivesWhole) {
    // More than one write-back piece: the tail goes at the rename.
    std::string records, expected;
    for (int i = 0; i < 700000; ++i) {
        std::string r = std::to_string(i);
        r.append(",abcdefghij");
        records.append(r).append("\n");
        expected.append(r).append("\r\n");
    }
    ASSERT_TRUE(doc->OpenDocument(MakeFile("big.csv", records)));
    doc->SetOutputsKept(true);
    ASSERT_TRUE(RunOperation(*doc, Identity));
    const std::string target = MakeFile("out.csv", "old\r\n");
    ASSERT_TRUE(doc->MoveWorkingFileTo(target));
    EXPECT_TRUE(ReadBytes(target) == expected);
}

std::string NumberedRecords(std::size_t bytes) {
    std::string out;
    for (int i = 0; out.size() < bytes; ++i) out.append(std::to_string(i)).append(",x\r\n");
    return out;
}

TEST_F(FilesTest, LargeCopiesLandWholeAndInPlace) {
    // Copies this large go in two halves: appended after a record, each half
    // must land where it belongs, and what follows after the whole.
    const std::string big = NumberedRecords(std::size_t{65} << 20);
    const std::string path = MakeFile("doc.csv", "d,1\r\n");
    ASSERT_TRUE(doc->OpenDocument(path));
    ASSERT_TRUE(doc->OpenFiles({MakeFile("big.csv", big)}, true));
    ASSERT_TRUE(doc->OpenFiles({MakeFile("end.csv", "e,2\r\n")}, true));
    ASSERT_TRUE(doc->Save());
    EXPECT_TRUE(ReadBytes(path) == "d,1\r\n" + big + "e,2\r\n");
}

TEST_F(FilesTest, ACopyTakesTheOtherCoreOnceItIsFree) {
    // Busy at first: the copy starts alone, and splits what is left when the
    // other core comes free after its first piece.
    const std::string big = NumberedRecords(std::size_t{90} << 20);
    File in, out;
    ASSERT_TRUE(in.Open(MakeFile("big.csv", big), "rb"));
    ASSERT_TRUE(out.Open(MakeFile("out.csv", "lead\r\n"), "r+b"));
    ASSERT_TRUE(out.SeekEnd());
    std::atomic<bool> busy{true};
    std::vector<std::int64_t> seen;
    ASSERT_TRUE(CopyRange(
        in, 0, static_cast<std::int64_t>(big.size()), out,
        [&](std::int64_t n) {
            seen.push_back(n);
            busy = false;
        },
        &busy));
    ASSERT_TRUE(out.Write("tail", 4));
    out.Close();
    EXPECT_TRUE(ReadBytes(Path("out.csv")) == "lead\r\n" + big + "tail");
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), static_cast<std::int64_t>(big.size()));
}

TEST_F(FilesTest, OnlyOurOwnSavedFormFileIsMoved) {
    // Read in place: the user's file must never be moved.
    const std::string in = MakeFile("in.csv", "a,1\r\n");
    ASSERT_TRUE(doc->LoadWorkingFile(in, LoadMode::InPlace));
    EXPECT_FALSE(doc->MoveWorkingFileTo(Path("out.csv")));
    EXPECT_TRUE(fs::exists(in));
    // A fresh copy with LF breaks is not in the saved form.
    ASSERT_TRUE(doc->OpenDocument(MakeFile("lf.csv", "a,1\n")));
    EXPECT_FALSE(doc->MoveWorkingFileTo(Path("out.csv")));
    EXPECT_TRUE(doc->IsOpen());
    // A read-only target is refused and left alone.
    ASSERT_TRUE(RunOperation(*doc, Identity));
    const std::string ro = MakeFile("ro.csv", "keep\r\n");
    fs::permissions(ro, fs::perms::owner_read, fs::perm_options::replace);
    EXPECT_FALSE(doc->MoveWorkingFileTo(ro));
    EXPECT_EQ(ReadBytes(ro), "keep\r\n");
    EXPECT_EQ(Records(), std::vector<std::string>{"a,1"});
}

TEST_F(FilesTest, SavingToADeviceWritesIntoItAndNeverReplacesIt) {
#ifdef _WIN32
    const std::string device = "NUL";
#else
    const std::string device = "/dev/null";
#endif
    ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", "a,1\r\n")));
    ASSERT_TRUE(RunOperation(*doc, Identity));
    EXPECT_FALSE(doc->MoveWorkingFileTo(device));
    EXPECT_TRUE(doc->SaveDocument(device, false));
    std::error_code ec;
    EXPECT_EQ(FileStatus(device, ec).type(), fs::file_type::character);
    EXPECT_FALSE(doc->SaveDocument(dir_.string(), false));  // a folder
    EXPECT_TRUE(messages.Saw(30039));
    EXPECT_TRUE(fs::is_directory(dir_));
}

TEST_F(FilesTest, SavingOverTheFileReadInPlaceKeepsTheDocument) {
    // On Windows the file is open while it is replaced.
    const std::string path = MakeFile("in.csv", "a,1\nb,2");
    ASSERT_TRUE(doc->LoadWorkingFile(path, LoadMode::InPlace));
    ASSERT_TRUE(doc->SaveDocument(path, false));
    EXPECT_EQ(ReadBytes(path), "a,1\r\nb,2\r\n");
    EXPECT_EQ(Records(), (std::vector<std::string>{"a,1", "b,2"}));
    EXPECT_EQ(CountFiles(dir_, ".Tes"), 0);
}

TEST_F(FilesTest, ExclusiveCreateRefusesAnExistingFile) {
    const std::string path = MakeFile("there.tmp", "keep");
    File f;
    EXPECT_FALSE(f.Open(path, "wbx"));
    EXPECT_EQ(ReadBytes(path), "keep");
}

TEST_F(FilesTest, TemporaryNamesAreUnique) {
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string n = Document::MakeTempFileName();
        ASSERT_FALSE(n.empty());
        EXPECT_TRUE(names.insert(n).second);
        EXPECT_TRUE(fs::exists(n));
    }
    for (const auto& n : names) fs::remove(n);
}

}  // namespace
}  // namespace tesmora
