#include "tesmora/document/record_index.h"

#include <algorithm>
#include <cstring>

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

bool IndexBuilder::AddRecord(std::string_view text) {
    if (pending_ > 0) {
        Feed(text);
        Feed("\r\n");
        return !failure_;
    }
    if (std::memchr(text.data(), 0x1A, text.size())) end_of_data_ = true;
    return Add(text.size(), static_cast<std::int64_t>(text.size()) + 2, true, CountByte(text, ','));
}

void IndexBuilder::Feed(std::string_view bytes) {
    if (std::memchr(bytes.data(), 0x1A, bytes.size())) end_of_data_ = true;
    while (!bytes.empty() && !failure_) {
        const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
        const std::size_t n =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data())
               : bytes.size();
        if (n > 0) {
            const std::string_view piece = bytes.substr(0, n);
            pending_commas_ += CountByte(piece, ',');
            pending_ += n;
            pending_cr_ = piece.back() == '\r';
        }
        if (!lf) return;
        const std::size_t text = pending_ - (pending_cr_ ? 1 : 0);
        Add(text, static_cast<std::int64_t>(pending_) + 1, true, pending_commas_);
        pending_ = pending_commas_ = 0;
        pending_cr_ = false;
        bytes.remove_prefix(n + 1);
    }
}

bool IndexBuilder::Finish() {
    if (pending_ > 0 && !failure_) {
        Add(pending_, static_cast<std::int64_t>(pending_), false, pending_commas_);
        pending_ = pending_commas_ = 0;
    }
    return entries_.Finish();
}

}  // namespace tesmora
