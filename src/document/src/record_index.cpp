#include "tesmora/document/record_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "byte_masks.h"
#include "tesmora/document/message_ids.h"
#include "tesmora/document/text.h"
#include "tesmora/document/types.h"

namespace tesmora {

void FormatIndexEntry(std::int64_t offset, char* out) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::memset(out, ' ', kIndexEntryWidth);
    int i = kIndexEntryWidth;
    std::uint64_t v = offset < 0 ? 0 : static_cast<std::uint64_t>(offset);
    while (v >= 100 && i >= 2) {
        const std::size_t pair = static_cast<std::size_t>(v % 100) * 2;
        v /= 100;
        out[--i] = kPairs[pair + 1];
        out[--i] = kPairs[pair];
    }
    if (v >= 10 && i >= 2) {
        out[--i] = kPairs[v * 2 + 1];
        out[--i] = kPairs[v * 2];
    } else if (i >= 1) {
        out[--i] = static_cast<char>('0' + v);
    }
}

std::int64_t ParseIndexEntry(const char* entry) {
    int i = 0;
    while (i < kIndexEntryWidth && entry[i] == ' ') ++i;
    if (i == kIndexEntryWidth) return -1;
    std::int64_t v = 0;
    for (; i < kIndexEntryWidth; ++i) {
        if (entry[i] < '0' || entry[i] > '9') return -1;
        v = v * 10 + (entry[i] - '0');
    }
    return v;
}

std::int64_t ReadIndexEntry(File& index, std::int64_t i) {
    char entry[kIndexEntryWidth];
    if (i < 0 || !index.Seek(i * kIndexEntryWidth) ||
        index.Read(entry, kIndexEntryWidth) != kIndexEntryWidth)
        return -1;
    return ParseIndexEntry(entry);
}

bool IndexBuilder::Add(std::size_t text, std::int64_t physical, bool has_break,
                       std::size_t commas) {
    if (failure_) return false;
    const std::size_t length = text + (has_break ? 2 : 1);
    if (length > static_cast<std::size_t>(kMaxLineLength)) {
        failure_ = kMsgLineTooLong;
        return false;
    }
    const int len = static_cast<int>(length);
    const int fields = static_cast<int>(std::min<std::size_t>(commas, kMaxFields)) + 1;
    if (stats_.records == 0) {
        stats_.longest_line = stats_.shortest_line = len;
    } else if (len > stats_.longest_line) {
        stats_.longest_line = len;
    } else if (len < stats_.shortest_line) {
        stats_.shortest_line = len;
    }
    offset_ += physical;
    entries_.Add(offset_);
    canonical_ = canonical_ && physical == static_cast<std::int64_t>(text) + 2;
    if (fields > kMaxFields) {
        failure_ = kMsgTooManyFields;
        return false;
    }
    if (stats_.records == 0) {
        stats_.most_fields = stats_.fewest_fields = fields;
    } else if (fields > stats_.most_fields) {
        stats_.most_fields = fields;
    } else if (fields < stats_.fewest_fields) {
        stats_.fewest_fields = fields;
    }
    ++stats_.records;
    return true;
}

#if TES_SSE2
using detail::Ones;
using masks::Mask64;
#endif

void IndexBuilder::NoteComma(std::size_t at) {
    // After the 2,000th comma the rest of the record is not a field.
    if (field_ < kMaxFields)
        widths_[field_] = std::max(widths_[field_], static_cast<int>(at - field_start_));
    field_start_ = at + 1;
    ++field_;
}

void IndexBuilder::EndWidths(std::size_t text) {
    if (field_ < kMaxFields)
        widths_[field_] = std::max(widths_[field_], static_cast<int>(text - field_start_));
    field_start_ = 0;
    field_ = 0;
}

void IndexBuilder::EndFedRecord(const char* p, std::size_t line_start, std::size_t lf) {
    pending_ += lf - line_start;
    if (lf > line_start) pending_cr_ = p[lf - 1] == '\r';
    const std::size_t text = pending_ - (pending_cr_ ? 1 : 0);
    if (widths_) EndWidths(text);
    Add(text, static_cast<std::int64_t>(pending_) + 1, true, pending_commas_);
    pending_ = pending_commas_ = 0;
    pending_cr_ = false;
}

// Line breaks and commas are found 64 bytes at a time: this pass runs over
// every byte of every file opened, so it should cost what reading does.
void IndexBuilder::Feed(std::string_view bytes) {
    const char* const p = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t i = 0, line_start = 0;
    if (!end_of_data_ && std::memchr(p, 0x1A, n)) end_of_data_ = true;
#if TES_SSE2
    const __m128i lf_byte = _mm_set1_epi8('\n'), comma_byte = _mm_set1_epi8(',');
    for (; i + 64 <= n && !failure_; i += 64) {
        std::uint64_t lf = Mask64(p + i, lf_byte), commas = Mask64(p + i, comma_byte);
        if (widths_) {
            // Every comma in turn, for the widths of the fields it ends.
            for (std::uint64_t all = lf | commas; all && !failure_; all &= all - 1) {
                const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(all));
                if (p[at] == ',') {
                    NoteComma(pending_ + (at - line_start));
                    ++pending_commas_;
                } else {
                    EndFedRecord(p, line_start, at);
                    line_start = at + 1;
                }
            }
            continue;
        }
        for (; lf && !failure_; lf &= lf - 1) {
            const int bit = std::countr_zero(lf);
            if (commas) {
                const std::uint64_t upto = (std::uint64_t{2} << bit) - 1;  // bits 0..bit
                pending_commas_ += Ones(commas & upto);
                commas &= ~upto;
            }
            EndFedRecord(p, line_start, i + static_cast<std::size_t>(bit));
            line_start = i + static_cast<std::size_t>(bit) + 1;
        }
        pending_commas_ += Ones(commas);
    }
#endif
    for (; i < n && !failure_; ++i) {
        if (p[i] == '\n') {
            EndFedRecord(p, line_start, i);
            line_start = i + 1;
        } else if (p[i] == ',') {
            if (widths_) NoteComma(pending_ + (i - line_start));
            ++pending_commas_;
        }
    }
    if (failure_ || line_start >= n) return;
    pending_ += n - line_start;
    pending_cr_ = p[n - 1] == '\r';
}

void IndexBuilder::Join(const IndexBuilder& later) {
    end_of_data_ = end_of_data_ || later.end_of_data_;
    if (failure_) return;  // feeding would have stopped here
    const Statistics& b = later.stats_;
    // A line was measured even when its record was then refused.
    if (b.longest_line > 0) {
        const bool first = stats_.records == 0;
        stats_.longest_line =
            first ? b.longest_line : std::max(stats_.longest_line, b.longest_line);
        stats_.shortest_line =
            first ? b.shortest_line : std::min(stats_.shortest_line, b.shortest_line);
    }
    if (b.records > 0) {
        const bool first = stats_.records == 0;
        stats_.most_fields = first ? b.most_fields : std::max(stats_.most_fields, b.most_fields);
        stats_.fewest_fields =
            first ? b.fewest_fields : std::min(stats_.fewest_fields, b.fewest_fields);
    }
    stats_.records += b.records;
    offset_ += later.offset_;
    canonical_ = canonical_ && later.canonical_;
    failure_ = later.failure_;
    pending_ = later.pending_;
    pending_commas_ = later.pending_commas_;
    pending_cr_ = later.pending_cr_;
    field_start_ = later.field_start_;
    field_ = later.field_;
    if (widths_ && later.widths_)
        for (int i = 0; i < kMaxFields; ++i) widths_[i] = std::max(widths_[i], later.widths_[i]);
}

bool IndexBuilder::Finish() {
    if (pending_ > 0 && !failure_) {
        if (widths_) EndWidths(pending_);
        Add(pending_, static_cast<std::int64_t>(pending_), false, pending_commas_);
        pending_ = pending_commas_ = 0;
    }
    return entries_.Finish();
}

}  // namespace tesmora
