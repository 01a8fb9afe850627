#pragma once
// The record index file: one 11-byte entry per record, the decimal offset
// at which the next record begins, right-aligned and padded with spaces
// ("%*ld" with width 11), no separators. 64-bit offsets fit in 11 digits.
#include <cstdint>
#include <string_view>
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

struct Statistics {
    std::int64_t records = 0;
    int longest_line = 0;
    int shortest_line = 0;
    int most_fields = 0;
    int fewest_fields = 0;
};

// Appends entries through a buffer.
class IndexWriter {
  public:
    explicit IndexWriter(File& index) : index_(index), buf_(kBatch * kIndexEntryWidth) {}
    void Add(std::int64_t offset) {
        if (skip_) return;
        if (used_ == buf_.size()) Spill();
        FormatIndexEntry(offset, buf_.data() + used_);
        used_ += kIndexEntryWidth;
    }
    bool Finish() {
        Spill();
        return ok_ && index_.Flush();
    }
    // Nothing is written: the records are only ever read in order.
    void Skip() { skip_ = true; }

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
    bool skip_ = false;
};

// The record index and the statistics of a stream of records, with the line
// and field limits: fed either record by record (the indexing pass) or with
// the raw bytes an operation writes (so a committed output need not be read
// again). The first record over a limit stops it: failure() then names the
// message, the record count and line lengths keep what they reached, the
// field counts are not taken.
class IndexBuilder {
  public:
    explicit IndexBuilder(File& index) : entries_(index) {}

    // One record: its text bytes, the bytes it occupies with its line break,
    // whether a line break ends it, its comma count. False once refused.
    bool Add(std::size_t text, std::int64_t physical, bool has_break, std::size_t commas);
    // Raw bytes as written to the file (any split into pieces).
    void Feed(std::string_view bytes);
    // Ends the stream (a last record without line break counts); false when
    // the index could not be written.
    bool Finish();
    // Statistics and limits only, no index entries.
    void SkipEntries() { entries_.Skip(); }
    // Also the widest of each field (of the first kMaxFields) into widths,
    // from what is fed.
    void CollectWidths(int* widths) { widths_ = widths; }
    // Continues with what `later` was fed: the bytes that follow ours, from
    // the start of a record (its entries skipped, its widths into its own
    // array). The result is as if they had been fed here.
    void Join(const IndexBuilder& later);

    int failure() const { return failure_; }
    // Line statistics always; field counts valid only when failure() == 0.
    const Statistics& stats() const { return stats_; }
    std::int64_t offset() const { return offset_; }
    // Every record ended by CR LF.
    bool canonical() const { return canonical_; }
    // The bytes held a 0x1A (end of data when read back): only a reading
    // pass gives the right index then.
    bool saw_end_of_data() const { return end_of_data_; }

  private:
    // The fed record whose line break is at p[lf] ends; its text began at p[line_start].
    void EndFedRecord(const char* p, std::size_t line_start, std::size_t lf);
    // A comma at byte `at` of the fed record; the end of its text.
    void NoteComma(std::size_t at);
    void EndWidths(std::size_t text);
    IndexWriter entries_;
    Statistics stats_;
    std::int64_t offset_ = 0;
    int failure_ = 0;
    bool canonical_ = true;
    bool end_of_data_ = false;
    // The record being fed.
    std::size_t pending_ = 0, pending_commas_ = 0;
    bool pending_cr_ = false;
    int* widths_ = nullptr;
    std::size_t field_start_ = 0;  // where the field being fed began in its record
    int field_ = 0;
};

}  // namespace tesmora
