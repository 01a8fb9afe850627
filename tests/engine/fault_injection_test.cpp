// Every file operation of save, save-as, append, a commit, undo and open is
// made to fail in turn: the user's file stays as it was or is completely
// new, the document is as before or as after, and no temporary file is left.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <tuple>

#include "engine_fixture.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/ops/sort.h"

namespace tesmora {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;

struct State {
    bool open = false;
    std::vector<std::string> records;  // each found through the index
    Statistics stats;
    bool can_undo = false;
    std::string undo_bytes;  // the previous working file
    std::string user, saved_as;
    bool operator==(const State& o) const {
        return open == o.open && records == o.records && stats.records == o.stats.records &&
               stats.longest_line == o.stats.longest_line &&
               stats.shortest_line == o.stats.shortest_line &&
               stats.most_fields == o.stats.most_fields &&
               stats.fewest_fields == o.stats.fewest_fields && can_undo == o.can_undo &&
               undo_bytes == o.undo_bytes && user == o.user && saved_as == o.saved_as;
    }
    friend std::ostream& operator<<(std::ostream& os, const State& s) {
        os << (s.open ? "open" : "closed") << " records=" << s.stats.records << " [";
        for (const auto& r : s.records) os << r << ";";
        return os << "] undo=" << s.can_undo << " user=" << s.user.size()
                  << "B saved_as=" << s.saved_as.size() << "B";
    }
};

struct Scenario {
    const char* name;
    std::function<void(Document&, const std::string& dir)> prepare;
    std::function<bool(Document&, const std::string& dir)> action;
    friend void PrintTo(const Scenario& c, std::ostream* os) { *os << c.name; }
};

bool Sort(Document& doc) {
    return RunOperation(doc, [](Document& d, TextWriter& out) { return SortPass(d, out, {}); });
}
void Open(Document& doc, const std::string& dir) {
    ASSERT_TRUE(doc.OpenDocument(dir + "/user.csv"));
}

// A scenario, with readers mapping the file or reading it through their buffer.
class FaultTest : public testing::EngineTest,
                  public ::testing::WithParamInterface<std::tuple<Scenario, bool>> {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        tmp_ = dir_ / "tmp";
        fs::create_directory(tmp_);
        const char* old = std::getenv("TMPDIR");
        old_tmpdir_ = old ? old : "";
        setenv("TMPDIR", tmp_.c_str(), 1);
    }
    void TearDown() override {
        FileFaults::Arm(0);
        FileFaults::SetMapping(false);
        EngineTest::TearDown();
        if (old_tmpdir_.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", old_tmpdir_.c_str(), 1);
    }

    // A new document over the user's files as they start.
    void Fresh() {
        doc.reset();
        fs::remove_all(tmp_);
        fs::create_directory(tmp_);
        fs::remove(Path("new.csv"));
        MakeFile("user.csv", "c,3\nb,22\na,1");
        MakeFile("other.csv", "d,4\r\n");
        doc = std::make_unique<Document>(messages, progress, settings, view);
    }

    State Capture() {
        State s;
        s.open = doc->IsOpen();
        s.user = ReadBytes(Path("user.csv"));
        s.saved_as = fs::exists(Path("new.csv")) ? ReadBytes(Path("new.csv")) : "(none)";
        if (!s.open) return s;
        s.stats = doc->Stats();
        for (std::int64_t k = 0; k < s.stats.records; ++k) {
            TextReader reader = doc->Records(RecordIndex{k});
            Line line;
            s.records.emplace_back(reader.Next(line) ? std::string(line.text) : "(missing)");
        }
        s.can_undo = doc->CanUndo();
        if (s.can_undo) s.undo_bytes = ReadBytes(doc->PreviousWorkingFileName());
        return s;
    }

    // Every temporary file the document records exists; the folder holds no
    // others but one whose deletion failed, and nothing once it shuts down.
    void ExpectOnlyRecordedTemps(const std::string& where) {
        std::set<std::string> recorded, found;
        for (const std::string* name :
             {&doc->WorkingFileName(), &doc->IndexFileName(), &doc->OutputFileName(),
              &doc->PreviousWorkingFileName(), &doc->PreviousIndexFileName()})
            if (!name->empty() && fs::path(*name).parent_path() == tmp_)
                recorded.insert(fs::path(*name).filename().string());
        // The process's owner file lists our files for a later start; it is no leftover.
        for (auto& e : fs::directory_iterator(tmp_))
            if (e.path().extension() != ".own") found.insert(e.path().filename().string());
        std::size_t others = found.size();
        for (const std::string& name : recorded) {
            EXPECT_EQ(found.count(name), 1u) << where << ": " << name;
            others -= found.count(name);
        }
        EXPECT_LE(others, 1u) << where;
        EXPECT_EQ(CountFiles(dir_, ".Tes"), 0) << where;
        doc.reset();
        EXPECT_EQ(CountFiles(tmp_), 0) << where << ": after shutdown";
    }

    fs::path tmp_;
    std::string old_tmpdir_;
};

TEST_P(FaultTest, EveryStepThatFailsLeavesBeforeOrAfter) {
    const auto& [sc, mapped] = GetParam();
    FileFaults::SetMapping(mapped);
    const std::string dir = dir_.string();
    Fresh();
    sc.prepare(*doc, dir);
    const State before = Capture();
    ASSERT_TRUE(sc.action(*doc, dir));
    const State after = Capture();
    ASSERT_FALSE(before == after);

    std::int64_t n = 1;
    for (;; ++n) {
        Fresh();
        sc.prepare(*doc, dir);
        ASSERT_EQ(Capture(), before);
        FileFaults::Arm(n);
        const bool ok = sc.action(*doc, dir);
        const bool reached = FileFaults::Steps() >= n;
        FileFaults::Arm(0);
        const State got = Capture();
        const std::string where = std::string(sc.name) + " failing step " + std::to_string(n);
        if (ok)
            EXPECT_EQ(got, after) << where;
        else
            EXPECT_TRUE(got == before) << where << ": " << got << "\n  before: " << before;
        ExpectOnlyRecordedTemps(where);
        if (!reached) break;
        if (::testing::Test::HasFailure()) break;
    }
    std::printf("%s (%s): %lld failing steps covered\n", sc.name, mapped ? "mapped" : "buffered",
                static_cast<long long>(n - 1));
}

const Scenario kScenarios[] = {
    Scenario{"Open", [](Document&, const std::string&) {},
             [](Document& d, const std::string& dir) { return d.OpenDocument(dir + "/user.csv"); }},
    Scenario{"Save",
             [](Document& d, const std::string& dir) {
                 Open(d, dir);
                 ASSERT_TRUE(Sort(d));
             },
             [](Document& d, const std::string&) { return d.Save(); }},
    Scenario{"SaveAs", Open,
             [](Document& d, const std::string& dir) { return d.SaveAs(dir + "/new.csv"); }},
    Scenario{"Append", Open,
             [](Document& d, const std::string& dir) {
                 return d.OpenFiles({dir + "/other.csv"}, false);
             }},
    Scenario{"SortCommit", Open, [](Document& d, const std::string&) { return Sort(d); }},
    Scenario{"Undo",
             [](Document& d, const std::string& dir) {
                 Open(d, dir);
                 ASSERT_TRUE(Sort(d));
             },
             [](Document& d, const std::string&) { return d.Undo(); }},
    // The batch front end: a file read where it lies, and a committed output
    // renamed into place.
    Scenario{"LoadInPlace", [](Document&, const std::string&) {},
             [](Document& d, const std::string& dir) {
                 return d.LoadWorkingFile(dir + "/user.csv", LoadMode::InPlace);
             }},
    Scenario{
        "MoveIntoPlace",
        [](Document& d, const std::string& dir) {
            Open(d, dir);
            ASSERT_TRUE(Sort(d));
        },
        [](Document& d, const std::string& dir) { return d.MoveWorkingFileTo(dir + "/new.csv"); }}};

INSTANTIATE_TEST_SUITE_P(Commands, FaultTest,
                         ::testing::Combine(::testing::ValuesIn(kScenarios), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Mapped" : "Buffered");
                         });

}  // namespace
}  // namespace tesmora
