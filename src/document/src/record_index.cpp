#include "tesmora/document/record_index.h"

#include <algorithm>
#include <cstring>

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

std::vector<std::int64_t> ReadRecordStarts(File& index, std::int64_t records) {
    std::vector<std::int64_t> starts;
    starts.reserve(static_cast<std::size_t>(records) + 1);
    starts.push_back(0);
    index.Seek(0);
    std::vector<char> buf(std::size_t{1 << 14} * kIndexEntryWidth);
    std::int64_t left = records;
    while (left > 0) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(left, static_cast<std::int64_t>(buf.size() / kIndexEntryWidth)));
        std::size_t got = index.Read(buf.data(), want * kIndexEntryWidth) / kIndexEntryWidth;
        if (got == 0) break;
        for (std::size_t j = 0; j < got; ++j)
            starts.push_back(ParseIndexEntry(buf.data() + j * kIndexEntryWidth));
        left -= static_cast<std::int64_t>(got);
    }
    return starts;
}

}  // namespace tesmora
