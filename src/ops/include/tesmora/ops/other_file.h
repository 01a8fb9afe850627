#pragma once
// The other file of the cross-file operations: a comma-separated text file
// read as a text stream (CR LF read as LF, 0x1A ends the data, records of any
// length), its preview, and the one index a run builds of it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tesmora/document/document.h"

namespace tesmora {

// Opens path for reading; 30003 (path as prefix only in the batch front end's
// own messages, so none here) when it cannot be opened, is a folder, or holds
// a control byte other than a tab or a line break in its first 5,000 bytes:
// a binary file is never taken for records. A UTF-8 file is read converted
// (its first limit bytes or so, for a preview, when limit >= 0); one that
// cannot be is refused with the message naming its line.
bool OpenOtherFile(Document& doc, const std::string& path, File& file, std::int64_t limit = -1);

// The field count of the third record, or of the last one when there are
// fewer; 0 for a file without records. Rewinds the file.
int CountColumns(File& file);

// The first `count` records of the file. Rewinds the file.
std::vector<std::string> ReadRecords(File& file, int count);

// Key -> value of the other file's records, the first record of a key
// winning, built in one pass. A value is held in memory, or, for the records
// of a large file, as its place in the file and read back when asked for.
class OtherFileIndex {
  public:
    // Makes a record's key and its value; false skips the record.
    using Entry =
        std::function<void(std::string_view record, std::string& key, std::string_view& value)>;
    // Values larger in all than this stay in the file.
    static constexpr std::int64_t kHeldValueBytes = std::int64_t{64} << 20;

    // A run's other file: OpenOtherFile, then Build over it, the file kept
    // open for the values left in it; 30003 when it cannot be read.
    bool Load(Document& doc, const std::string& path, bool value_is_record, const Entry& entry);
    // Reads file from its start; value_is_record: the value is the whole
    // record (then it may stay in the file), else a piece of it.
    bool Build(File& file, bool value_is_record, const Entry& entry,
               std::int64_t held_bytes = kHeldValueBytes);
    // The value of key; false when no record has it. value points into the
    // index or into `scratch`, valid until the next call.
    bool Find(std::string_view key, std::string_view& value, std::string& scratch);
    std::size_t Size() const { return count_; }

  private:
    // The arena holds the key, then the value or its 8-byte file offset.
    struct Slot {
        std::uint32_t hash = 0;  // 0: free
        std::uint32_t key_size = 0;
        std::uint32_t value_size = 0;
        std::uint64_t at = 0;  // arena offset of the key
    };
    Slot* Probe(std::string_view key, std::uint32_t hash);
    void Grow();

    File own_;  // the file Load opened
    File* file_ = nullptr;
    bool values_in_file_ = false;
    std::vector<Slot> slots_;
    std::vector<char> arena_;
    std::size_t count_ = 0;
};

}  // namespace tesmora
