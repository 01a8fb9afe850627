#pragma once
// The record index file: one 11-byte entry per record, the decimal offset
// at which the next record begins, right-aligned and padded with spaces
// ("%*ld" with width 11), no separators. 64-bit offsets fit in 11 digits.
#include <cstdint>
#include <vector>

#include "tesmora/document/text_stream.h"

namespace tesmora {

inline constexpr int kIndexEntryWidth = 11;

// Writes the entry for offset into out[0..10].
void FormatIndexEntry(std::int64_t offset, char* out);
// Parses an entry (leading spaces skipped); -1 when it holds no number.
std::int64_t ParseIndexEntry(const char* entry);
// Entry i of an index file (the offset at which record i + 1 begins); -1 on failure.
std::int64_t ReadIndexEntry(File& index, std::int64_t i);
// Every record's start offset (n + 1 values, the last the end of the data):
// for passes that fetch records in another order than the file's.
std::vector<std::int64_t> ReadRecordStarts(File& index, std::int64_t records);

// Appends entries through a buffer.
class IndexWriter {
  public:
    explicit IndexWriter(File& index) : index_(index), buf_(kBatch * kIndexEntryWidth) {}
    void Add(std::int64_t offset) {
        if (used_ == buf_.size()) Spill();
        FormatIndexEntry(offset, buf_.data() + used_);
        used_ += kIndexEntryWidth;
    }
    bool Finish() {
        Spill();
        return ok_ && index_.Flush();
    }

  private:
    static constexpr std::size_t kBatch = 1 << 14;
    void Spill() {
        if (used_ && !index_.Write(buf_.data(), used_)) ok_ = false;
        used_ = 0;
    }
    File& index_;
    std::vector<char> buf_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

}  // namespace tesmora
