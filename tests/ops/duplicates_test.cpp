// Duplicate records: the four modes, empty keys, space removal and undo.
#include "tesmora/ops/duplicates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/document/text.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;
using Nums = std::vector<int>;

class DuplicatesTest : public EngineTest {
  protected:
    // Records "1,KEY1", "2,KEY2", ...; runs the mode with the key in field 1 and
    // returns the numbers of the records kept, then undoes.
    Nums Kept(const std::vector<std::string>& keys, DuplicateMode mode, bool remove_spaces) {
        std::string bytes;
        for (std::size_t i = 0; i < keys.size(); ++i)
            bytes += std::to_string(i + 1) + (keys[i] == "-" ? "" : "," + keys[i]) + "\r\n";
        EXPECT_TRUE(doc->OpenDocument(MakeFile("in.csv", bytes)));
        const Recs before = Records();
        DuplicateRequest s;
        s.key_field = FieldIndex{1};
        s.mode = mode;
        s.remove_spaces = remove_spaces;
        EXPECT_TRUE(RunDuplicates(*doc, s));
        Nums kept;
        for (const std::string& r : Records()) kept.push_back(std::stoi(r));
        EXPECT_TRUE(doc->Undo());
        EXPECT_EQ(Records(), before);
        messages.Answer(30002, kIdNo);  // do not save
        EXPECT_TRUE(doc->CloseDocument());
        return kept;
    }
};

const DuplicateMode kModes[] = {DuplicateMode::KeepFirst, DuplicateMode::DropRepeated,
                                DuplicateMode::FirstOfRepeated, DuplicateMode::OnlyRepeated};

TEST_F(DuplicatesTest, FourModesOnRunsOfEqualKeys) {
    // "-": a record without the key field; "": an empty key field.
    struct Case {
        const char* name;
        std::vector<std::string> keys;
        bool remove_spaces;
        Nums kept[4];  // per mode 0..3
    } cases[] = {
        {"the nine-record example",
         {"A", "B", "B", "C", "C", "C", "D", "E", "E"},
         false,
         {{1, 2, 4, 7, 8}, {1, 7}, {2, 4, 8}, {2, 3, 4, 5, 6, 8, 9}}},
        {"the example with spaces ignored",
         {"A", "B", " B", "C", "C ",
          "\x81\x40"
          "C",
          "D", "E", "E"},
         true,
         {{1, 2, 4, 7, 8}, {1, 7}, {2, 4, 8}, {2, 3, 4, 5, 6, 8, 9}}},
        {"the same keys with spaces kept",
         {"A", "B", " B", "C", "C ",
          "\x81\x40"
          "C",
          "D", "E", "E"},
         false,
         {{1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7}, {8}, {8, 9}}},
        {"empty keys in the middle and at the end",
         {"A", "", "A", "B", "B", "-"},
         false,
         {{1, 2, 3, 4, 6}, {1, 2, 3, 6}, {4}, {4, 5}}},
        {"adjacent empty keys never repeat",
         {"", "", "-", "A"},
         false,
         {{1, 2, 3, 4}, {1, 2, 3, 4}, {}, {}}},
        {"keys made only of spaces become empty",
         {" ", "\x81\x40", "A", "A"},
         true,
         {{1, 2, 3}, {1, 2}, {3}, {3, 4}}},
        {"an unsorted file", {"A", "B", "A"}, false, {{1, 2, 3}, {1, 2, 3}, {}, {}}},
        {"half-width and full-width letters differ",
         {"ab", "\x82\x81\x82\x82"},
         true,
         {{1, 2}, {1, 2}, {}, {}}},
        {"the last record completes its run", {"A", "A", "B"}, false, {{1, 3}, {3}, {1}, {1, 2}}},
        {"a single record", {"A"}, false, {{1}, {1}, {}, {}}},
        // Two records written after one is read, each within the limit.
        {"a run of records near the length limit",
         {std::string(4990, 'K'), std::string(4990, 'K')},
         false,
         {{1}, {}, {1}, {1, 2}}},
    };
    for (const Case& c : cases) {
        for (int m = 0; m < 4; ++m) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(m));
            EXPECT_EQ(Kept(c.keys, kModes[m], c.remove_spaces), c.kept[m]);
        }
    }
}

TEST(DuplicateKeyTest, SpaceRemovalMatchesRemoveSpaces) {
    const std::string keys[] = {
        "",
        "a b",
        " \x81\x40 ",
        "x\x81\x40y",
        "\x81\x81\x40",  // a character ending in 0x81, then '@': no full-width space
        "\x82\xa0 \x82\xa2",
        "\x81",   // a stray lead byte at the end
        "\x81 ",  // a lead byte before a space keeps the space visible
    };
    for (const std::string& k : keys) {
        DuplicateRequest s;
        s.key_field = FieldIndex{1};
        s.remove_spaces = true;
        std::string got = "stale";
        DuplicateKey("r," + k + ",z", s, got);
        EXPECT_EQ(got, RemoveSpaces(k)) << k;
        s.remove_spaces = false;
        DuplicateKey("r," + k + ",z", s, got);
        EXPECT_EQ(got, k);
    }
}

TEST(DuplicateSettingsTest, UnknownModesLoadAsTheFirst) {
    MemorySettings store;
    for (int stored : {0, 1, 2, 3, 4, -1}) {
        store.SetInt("DblDel", "DelType", stored);
        const DuplicateRequest s = LoadDuplicateSettings(store);
        EXPECT_EQ(static_cast<int>(s.mode), stored >= 0 && stored <= 3 ? stored : 0);
    }
    DuplicateRequest s;
    s.key_field = FieldIndex{3};
    s.mode = DuplicateMode::OnlyRepeated;
    s.remove_spaces = true;
    StoreDuplicateSettings(store, s);
    EXPECT_EQ(store.GetInt("DblDel", "KeyField", -1), 3);
    EXPECT_EQ(store.GetInt("DblDel", "DelType", -1), 3);
    EXPECT_EQ(store.GetInt("DblDel", "SpcCut", -1), 1);
}

}  // namespace
}  // namespace tesmora
