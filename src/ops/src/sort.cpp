// Sort: a key pass builds a compact table (a packed key head per record, the
// rest of long keys in one arena), the table is sorted, and the records are
// copied to the output in windows: each window is a slice of the output that
// fits in one buffer, filled by one sequential read of the working file.
// Sequential reads beat one seek and read per record by far, and the memory
// stays a fixed window plus a few bytes per record.
#include "tesmora/ops/sort.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/text.h"

namespace tesmora {

SortRequest LoadSortSettings(ISettingsStore& store) {
    SortRequest s;
    s.key_field = FieldIndex{store.GetInt(kSortSection, "KeyField", 0)};
    s.descending = store.GetInt(kSortSection, "SortJun", 0) != 0;
    return s;
}

void StoreSortSettings(ISettingsStore& store, const SortRequest& s) {
    store.SetInt(kSortSection, "KeyField", s.key_field.value);
    store.SetInt(kSortSection, "SortJun", s.descending ? 1 : 0);
}

int CompareSortKeys(std::string_view a, std::string_view b) {
    a = a.substr(0, kSortKeyBytes);
    b = b.substr(0, kSortKeyBytes);
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

namespace {

// Bytes of a key held in the head; longer keys keep the rest in the arena.
constexpr std::size_t kHeadBytes = 7;

// One record of the table. head holds the first 7 key bytes (zero padded)
// and min(length, 8) in its low byte, big-endian, so comparing heads as
// integers orders keys exactly unless both have 8 bytes or more and agree in
// the first 7; only then are the arena tails compared.
struct Entry {
    std::uint64_t head;
    std::uint32_t tail;   // arena offset: [length - 7][bytes 7 ..]
    std::uint32_t index;  // record number in the working file
};

std::uint64_t KeyHead(std::string_view key) {
    std::uint64_t h = 0;
    const std::size_t n = std::min(key.size(), kHeadBytes);
    for (std::size_t i = 0; i < n; ++i)
        h |= std::uint64_t{static_cast<unsigned char>(key[i])} << (56 - 8 * i);
    return h | std::min<std::uint64_t>(key.size(), kHeadBytes + 1);
}

bool HasTail(const Entry& e) {
    return (e.head & 0xFF) == kHeadBytes + 1;
}

// The head of a key's bytes from 7 * depth on (depth 1 or more), taken from
// its arena tail [length - 7][bytes 7 ..]: the same packing as KeyHead.
std::uint64_t TailHead(const unsigned char* tail, int depth) {
    const std::size_t skip = kHeadBytes * static_cast<std::size_t>(depth - 1);
    const std::size_t rest = tail[0] - skip;
    const unsigned char* p = tail + 1 + skip;
    std::uint64_t h = 0;
    const std::size_t n = std::min(rest, kHeadBytes);
    for (std::size_t i = 0; i < n; ++i) h |= std::uint64_t{p[i]} << (56 - 8 * i);
    return h | std::min<std::uint64_t>(rest, kHeadBytes + 1);
}

// The progress of the two passes, each counted against the record count.
class TwoPassProgress {
  public:
    TwoPassProgress(IProgressSink& sink, std::int64_t n) : sink_(sink), n_(n) {
        sink_.SetRange(static_cast<int>(2 * n / 100));
        sink_.SetPos(0);
    }
    ~TwoPassProgress() { sink_.SetPos(0); }
    TwoPassProgress(const TwoPassProgress&) = delete;
    TwoPassProgress& operator=(const TwoPassProgress&) = delete;
    // The bar passes every position, also when the count jumps (the other
    // core's records are counted in bursts).
    void Step(std::int64_t k) {
        const int pos = static_cast<int>(k / 100);
        if (n_ < 1000) {
            sink_.SetPos(pos_ = pos);
            return;
        }
        while (pos_ < pos) sink_.SetPos(++pos_);
    }
    // The position again, between the passes: the window stays alive and
    // the work can be stopped while the table is sorted.
    void Pulse() { sink_.SetPos(pos_); }
    // The first pass is over and counted n records (the range assumed a guess).
    void Counted(std::int64_t n) {
        if (n != n_) {
            n_ = n;
            sink_.SetRange(static_cast<int>(2 * n / 100));
        }
        if (static_cast<int>((n - 1) / 100) != pos_) Step(n - 1);
    }

  private:
    IProgressSink& sink_;
    std::int64_t n_;
    int pos_ = 0;
};

// A slice of the output: bytes [begin, end) in sorted order, made of records
// whose file numbers lie in first .. last.
struct Window {
    std::int64_t begin, end;
    std::uint32_t first, last;
};

// A window holds at most this much, so files up to this size take a single
// read; beyond kMaxWindows reads the windows grow instead.
constexpr std::int64_t kMinWindowBytes = std::int64_t{96} << 20;
constexpr std::int64_t kMaxWindows = 8;

// Per record: its bytes (at most 4,998) in the low 13 bits and the bytes of
// its line break in the file (0 at the end of the data, 1 for LF, 2 for CR LF)
// above them.
// Tables of many megabytes, touched at random places: in large pages where
// the system gives them, since a fault or a page-table miss for every few
// records costs more than the work on them.
void* AllocateLarge(std::size_t bytes) {
#ifdef __linux__
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (bytes >= kHuge) {
        void* p = std::aligned_alloc(kHuge, (bytes + kHuge - 1) / kHuge * kHuge);
        if (!p) throw std::bad_alloc();
        madvise(p, (bytes + kHuge - 1) / kHuge * kHuge, MADV_HUGEPAGE);
        return p;
    }
#endif
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t) { std::free(p); }
    // Sized without being cleared: every element is written before it is read.
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    bool operator==(const LargeAllocator&) const { return true; }
};
template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

using Lengths = std::vector<std::uint16_t>;
constexpr int kBreakShift = 13;

std::size_t TextBytes(std::uint16_t v) {
    return v & ((1u << kBreakShift) - 1);
}
std::size_t FileBytes(std::uint16_t v) {
    return TextBytes(v) + (v >> kBreakShift);
}

struct Table {
    LargeVector<Entry> entries;
    std::vector<unsigned char> arena;
    Lengths lengths;
};

// Field k of record cut to the key length; empty when the record has no
// field k.
std::string_view KeyField(std::string_view record, int k) {
    const auto field = FieldSpan(record, FieldIndex{k});
    return field ? field->substr(0, kSortKeyBytes) : std::string_view{};
}

// Reads records into t until `bytes` of the file are consumed (all of it when
// negative) or `limit` records are taken, numbering them from 0; step is told
// each count and says whether to go on. False for a record the table cannot
// hold or that the file no longer has as indexed.
bool ReadKeyRange(TextReader& reader, std::int64_t bytes, std::int64_t limit, int key_field,
                  Table& t, const std::function<bool(std::uint32_t)>& step) {
    Line line;
    std::uint32_t i = 0;
    std::int64_t consumed = 0;
    while (i < limit && (bytes < 0 || consumed < bytes) && reader.Next(line)) {
        consumed += line.physical;
        const std::int64_t line_break = line.physical - static_cast<std::int64_t>(line.text.size());
        if (line.truncated || line.text.size() > kMaxRecordBytes || line_break < 0 ||
            line_break > 2)
            return false;
        const std::string_view key = KeyField(line.text, key_field);
        Entry e{KeyHead(key), 0, i};
        if (key.size() > kHeadBytes) {
            if (t.arena.size() > std::numeric_limits<std::uint32_t>::max() - kSortKeyBytes)
                throw std::bad_alloc();
            e.tail = static_cast<std::uint32_t>(t.arena.size());
            t.arena.push_back(static_cast<unsigned char>(key.size() - kHeadBytes));
            t.arena.insert(t.arena.end(), key.begin() + kHeadBytes, key.end());
        }
        t.entries.push_back(e);
        t.lengths.push_back(
            static_cast<std::uint16_t>(line.text.size() | (line_break << kBreakShift)));
        if (!step(++i)) return false;
    }
    return bytes < 0 || consumed == bytes;
}

// Tells the other core's half to stop when this one leaves early (a
// failure, or the user stopping the work).
struct StopUnlessDone {
    std::atomic<bool>& stop;
    bool done = false;
    ~StopUnlessDone() {
        if (!done) stop = true;
    }
};

// The most records a table holds: it numbers them in 32 bits.
constexpr std::int64_t kMost = std::numeric_limits<std::uint32_t>::max();

// Room for about n records: growing a table copies it into new memory. Only
// an exact count must fit; a guess (from the file's head) may be far off.
void Reserve(Table& t, std::int64_t n, bool exact) {
    try {
        t.entries.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n, kMost)));
        t.lengths.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n, kMost)));
    } catch (const std::bad_alloc&) {
        if (exact) throw;
    }
}

// Files this large have their keys read on two cores, a half each.
constexpr std::int64_t kTwoReaders = std::int64_t{16} << 20;

// Reads the key of every record into t. While the input's statistics are
// pending, the reads index it too (the record count is then a guess, and
// the caller checks the table against the count).
bool ReadKeys(Document& doc, const SortRequest& s, Table& t, TwoPassProgress& progress) {
    const bool pending = doc.StatsPending();
    const std::int64_t n = pending ? doc.ExpectedRecords() : doc.Stats().records;
    if (!pending && n > kMost) throw std::bad_alloc();
    // What the table can hold, or the count the index gave.
    const std::int64_t most = pending ? kMost : n;
    Reserve(t, pending ? n + n / 16 : n, !pending);
    auto step = [&](std::uint32_t i) {
        if (i < n) progress.Step(i);
        return true;
    };
    const int k = s.key_field.value;
    File second;
    const std::int64_t end = pending ? doc.WorkingFile().Size() : doc.DataEnd();
    if (end < kTwoReaders || !second.Open(doc.WorkingFileName(), "rb") || !second.Seek(end / 2)) {
        TextReader reader = doc.Records();
        return ReadKeyRange(reader, -1, most, k, t, step);
    }
    // The second half starts after the line break that follows the middle.
    std::int64_t boundary = end / 2;
    {
        TextReader skip(second);
        Line skipped;
        if (!skip.Next(skipped)) return false;
        boundary += skipped.physical;
    }
    TextReader tail_reader = doc.RecordsFrom(second, boundary);
    Table tail;
    Reserve(tail, n - n / 2 + n / 16, false);
    bool tail_ok = false;
    {
        std::atomic<bool> stop{false};
        std::jthread reader_thread([&] {
            try {
                tail_ok = ReadKeyRange(tail_reader, -1, most, k, tail,
                                       [&](std::uint32_t) { return !stop.load(); });
            } catch (const std::bad_alloc&) {
                tail_ok = false;
            }
        });
        // A first half that fails or is stopped stops the second.
        StopUnlessDone guard{stop};
        TextReader reader = doc.Records();
        if (!ReadKeyRange(reader, boundary, most, k, t, step)) return false;
        guard.done = true;
    }
    if (!tail_ok || second.ReadFailed()) return false;
    const auto head_records = static_cast<std::uint32_t>(t.entries.size());
    if (static_cast<std::int64_t>(head_records) + static_cast<std::int64_t>(tail.entries.size()) >
        most)
        return false;
    if (t.arena.size() + tail.arena.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    const auto arena_at = static_cast<std::uint32_t>(t.arena.size());
    for (Entry e : tail.entries) {
        e.index += head_records;
        if (HasTail(e)) e.tail += arena_at;
        t.entries.push_back(e);
    }
    t.arena.insert(t.arena.end(), tail.arena.begin(), tail.arena.end());
    t.lengths.insert(t.lengths.end(), tail.lengths.begin(), tail.lengths.end());
    return true;
}

// Orders e[0 .. n) by head (reversed when descending), ties by record
// number. scratch holds at least n entries.
using Pulse = std::function<void()>;

void SortByHead(Entry* e, std::size_t n, bool descending, Entry* scratch, const Pulse& pulse) {
    if (n < 256) {
        std::sort(e, e + n, [descending](const Entry& a, const Entry& b) {
            if (a.head != b.head) return descending ? a.head > b.head : a.head < b.head;
            return a.index < b.index;
        });
        return;
    }
    // Stable LSD radix sort, one byte a pass; a byte every head shares is skipped.
    const std::uint64_t flip = descending ? ~std::uint64_t{0} : 0;
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t h = e[i].head ^ flip;
        for (int d = 0; d < 8; ++d) ++counts[d][(h >> (8 * d)) & 0xFF];
    }
    const bool long_pass = n >= (std::size_t{1} << 16);
    if (long_pass) pulse();
    Entry* from = e;
    Entry* to = scratch;
    for (int d = 0; d < 8; ++d) {
        auto& c = counts[d];
        if (std::find(c.begin(), c.end(), n) != c.end()) continue;
        std::uint32_t sum = 0;
        for (auto& v : c) {
            const std::uint32_t here = v;
            v = sum;
            sum += here;
        }
        const int shift = 8 * d;
        for (std::size_t i = 0; i < n; ++i)
            to[c[((from[i].head ^ flip) >> shift) & 0xFF]++] = from[i];
        std::swap(from, to);
        // Between the passes, each a fraction of a second on the largest files.
        if (long_pass) pulse();
    }
    if (from != e) std::copy(from, from + n, e);
}

// A most-significant-first sort in steps of 7 key bytes: the heads order
// the records, and each run of equal heads whose keys go on is ordered by
// the next 7 bytes, gathered from the arena once per record and step.
void SortRange(const Table& t, Entry* e, std::size_t n, int depth, bool descending, Entry* scratch,
               const Pulse& pulse) {
    if (depth > 0)
        for (std::size_t i = 0; i < n; ++i) e[i].head = TailHead(t.arena.data() + e[i].tail, depth);
    SortByHead(e, n, descending, scratch, pulse);
    std::size_t since = 0;  // entries walked since the last pulse
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && e[j].head == e[i].head) ++j;
        if (j - i > 1 && HasTail(e[i]))
            SortRange(t, e + i, j - i, depth + 1, descending, scratch, pulse);
        since += j - i;
        if (since > 0xFFFFF) {
            since = 0;
            pulse();
        }
        i = j;
    }
}

// Tables this large are sorted on two cores.
constexpr std::size_t kTwoSorters = std::size_t{1} << 16;

// The entries are grouped by the most significant byte in which their heads
// differ, the groups cut into two runs of about equal size, and each run
// sorted on its own core: every key of the first run orders before every key
// of the second, and the grouping keeps record order within a group.
void SortTable(Table& t, bool descending, const Pulse& pulse) {
    const std::size_t n = t.entries.size();
    LargeVector<Entry> scratch(n);
    Entry* const e = t.entries.data();
    const std::uint64_t flip = descending ? ~std::uint64_t{0} : 0;
    std::uint64_t any = 0, every = ~std::uint64_t{0};
    for (std::size_t i = 0; i < n; ++i) {
        any |= e[i].head ^ flip;
        every &= e[i].head ^ flip;
    }
    if (n < kTwoSorters || any == every) {
        SortRange(t, e, n, 0, descending, scratch.data(), pulse);
        return;
    }
    const int shift = (63 - std::countl_zero(any ^ every)) / 8 * 8;
    auto group = [&](const Entry& x) { return ((x.head ^ flip) >> shift) & 0xFF; };
    std::array<std::size_t, 257> at{};
    for (std::size_t i = 0; i < n; ++i) ++at[group(e[i]) + 1];
    std::size_t cut = 0, best = n;  // the group boundary nearest the middle
    for (std::size_t g = 1, sum = 0; g < 256; ++g) {
        sum += at[g];
        const std::size_t off = sum > n / 2 ? sum - n / 2 : n / 2 - sum;
        if (off < best) {
            best = off;
            cut = sum;
        }
    }
    for (std::size_t g = 1; g < at.size(); ++g) at[g] += at[g - 1];
    Entry* const s = scratch.data();
    for (std::size_t i = 0; i < n; ++i) s[at[group(e[i])]++] = e[i];
    pulse();
    {
        std::jthread second([&] { SortRange(t, s + cut, n - cut, 0, descending, e + cut, [] {}); });
        SortRange(t, s, cut, 0, descending, e, pulse);
    }
    t.entries.swap(scratch);
}

// Output position of every record (by file number) and the windows.
std::vector<Window> PlaceRecords(const Table& t, std::int64_t window_bytes,
                                 LargeVector<std::int64_t>& out_pos) {
    std::int64_t total = 0;
    for (std::uint16_t len : t.lengths) total += TextBytes(len) + 2;
    std::int64_t target = window_bytes;
    if (target <= 0) {
        // Windows of even size, so the last read is not a short one.
        const std::int64_t windows = std::max<std::int64_t>(
            1, std::min(kMaxWindows, (total + kMinWindowBytes - 1) / kMinWindowBytes));
        target = (total + windows - 1) / windows;
    }

    out_pos.resize(t.entries.size());
    std::vector<Window> result;
    Window w{0, 0, std::numeric_limits<std::uint32_t>::max(), 0};
    std::int64_t at = 0;
    for (const Entry& e : t.entries) {
        const auto len = static_cast<std::int64_t>(TextBytes(t.lengths[e.index]) + 2);
        if (at - w.begin >= target) {
            w.end = at;
            result.push_back(w);
            w = Window{at, at, std::numeric_limits<std::uint32_t>::max(), 0};
        }
        out_pos[e.index] = at;
        at += len;
        w.first = std::min(w.first, e.index);
        w.last = std::max(w.last, e.index);
    }
    if (at > w.begin) {
        w.end = at;
        result.push_back(w);
    }
    return result;
}

// Copies records from .. to - 1 of the working file, which start at byte
// `start`, into their slots of window w at buf, reading file in large blocks;
// the record lengths say where each record lies, so the blocks need no search
// for line breaks. Adds the bytes it placed to filled and counts each record
// in placed; stops early when told to. False when the file no longer matches
// what the key pass read.
template <class Placed>
bool FillWindow(File& file, std::int64_t start, std::uint32_t from, std::uint32_t to,
                const Window& w, char* buf, const Lengths& lengths,
                const LargeVector<std::int64_t>& out_pos, std::uint64_t& filled, Placed&& placed) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::unique_ptr<char[]> block(new char[kBlock]);
    const auto size = static_cast<std::uint64_t>(w.end - w.begin);
    if (!file.Seek(start)) return false;
    std::size_t at = 0, held = 0;  // block[at, held) is the file from record i on
    for (std::uint32_t i = from; i < to; ++i) {
        const std::size_t text = TextBytes(lengths[i]), bytes = FileBytes(lengths[i]);
        if (held - at < bytes) {
            std::memmove(block.get(), block.get() + at, held - at);
            held -= at;
            at = 0;
            while (held < bytes) {
                const std::size_t got = file.Read(block.get() + held, kBlock - held);
                if (got == 0) return false;
                held += got;
            }
        }
        const char* record = block.get() + at;
        at += bytes;
        // The working file no longer matches what the key pass read.
        if (bytes - text == 2 ? record[text] != '\r' || record[text + 1] != '\n'
                              : bytes - text == 1 && record[text] != '\n')
            return false;
        const auto slot = static_cast<std::uint64_t>(out_pos[i] - w.begin);
        if (slot >= size) continue;
        if (text + 2 > size - slot) return false;  // never write past the slot
        std::memcpy(buf + slot, record, text);
        buf[slot + text] = '\r';
        buf[slot + text + 1] = '\n';
        filled += text + 2;
        if (!placed()) return false;
    }
    return true;
}

// Fills each window from a sequential read of its records' part of the
// working file and writes it. On a large file the two halves of that part
// are read on two cores: their slots never overlap.
bool CopyWindows(Document& doc, TextWriter& out, const std::vector<Window>& windows,
                 const Lengths& lengths, const LargeVector<std::int64_t>& out_pos,
                 TwoPassProgress& progress) {
    std::int64_t largest = 0;
    for (const Window& w : windows) largest = std::max(largest, w.end - w.begin);
    // Every byte of a window is written before it is used: no need to clear it.
    const std::unique_ptr<char, decltype(&std::free)> window(
        static_cast<char*>(AllocateLarge(static_cast<std::size_t>(largest))), &std::free);
    char* const buf = window.get();
    File& file = doc.WorkingFile();
    File second;
    const bool two = doc.DataEnd() >= kTwoReaders && second.Open(doc.WorkingFileName(), "rb");
    const std::int64_t n = static_cast<std::int64_t>(out_pos.size());
    std::int64_t placed = 0;
    std::atomic<std::int64_t> placed_there{0};
    for (const Window& w : windows) {
        const auto size = static_cast<std::uint64_t>(w.end - w.begin);
        const std::uint32_t mid = two ? w.first + (w.last - w.first) / 2 : w.last;
        std::int64_t start = 0;  // where record first starts, and record mid
        for (std::uint32_t i = 0; i < w.first; ++i)
            start += static_cast<std::int64_t>(FileBytes(lengths[i]));
        std::int64_t mid_start = start;
        for (std::uint32_t i = w.first; i < mid; ++i)
            mid_start += static_cast<std::int64_t>(FileBytes(lengths[i]));
        std::uint64_t filled = 0, filled_there = 0;
        bool ok = true, ok_there = true;
        {
            std::atomic<bool> stop{false};
            std::jthread helper;
            std::atomic<bool> there_done{!two};
            if (two)
                helper = std::jthread([&] {
                    // Counted in batches: a shared count changed for every
                    // record would bounce between the cores.
                    std::int64_t since = 0;
                    ok_there = FillWindow(second, mid_start, mid, w.last + 1, w, buf, lengths,
                                          out_pos, filled_there, [&] {
                                              if (++since < 4096) return true;
                                              placed_there.fetch_add(since);
                                              since = 0;
                                              return !stop.load(std::memory_order_relaxed);
                                          });
                    placed_there.fetch_add(since);
                    there_done = true;
                });
            StopUnlessDone guard{stop};
            ok = FillWindow(
                file, start, w.first, two ? mid : w.last + 1, w, buf, lengths, out_pos, filled,
                [&] {
                    progress.Step(n + placed++ + placed_there.load(std::memory_order_relaxed));
                    return true;
                });
            if (!ok) stop = true;
            // The bar follows the other half to its end, and may still stop it.
            for (; !there_done; std::this_thread::sleep_for(std::chrono::milliseconds(1)))
                progress.Step(n + placed + placed_there.load(std::memory_order_relaxed));
            guard.done = true;
        }
        if (!ok || !ok_there || filled + filled_there != size) return false;
        out.WritePart(std::string_view(buf, size));
    }
    return true;
}

}  // namespace

bool SortPass(Document& doc, TextWriter& out, const SortRequest& s, std::int64_t window_bytes) {
    TwoPassProgress progress(doc.Progress(), doc.ExpectedRecords());
    try {
        std::vector<Window> windows;
        LargeVector<std::int64_t> out_pos;
        Lengths lengths;
        {
            Table t;
            const bool indexing = doc.StatsPending();
            bool read = ReadKeys(doc, s, t, progress);
            // A refused input says so itself, and nothing else is said.
            if (!doc.FinishScan()) return false;
            const std::int64_t n = doc.Stats().records;
            auto whole = [&] { return static_cast<std::int64_t>(t.entries.size()) == n; };
            read = read && whole();
            // Read again without the index where the two parts did not meet
            // (a 0x1A in the first).
            if (!read && indexing) {
                t = Table{};
                read = ReadKeys(doc, s, t, progress) && whole();
            }
            if (!read) {
                doc.Message(kMsgOpenFailed, MsgStyle::Error, doc.WorkingFileName() + "\n");
                return false;
            }
            progress.Counted(n);
            SortTable(t, s.descending, [&progress] { progress.Pulse(); });
            windows = PlaceRecords(t, window_bytes, out_pos);
            lengths = std::move(t.lengths);
        }  // the keys go before the window buffer comes
        if (!CopyWindows(doc, out, windows, lengths, out_pos, progress)) {
            doc.Message(kMsgOpenFailed, MsgStyle::Error, doc.WorkingFileName() + "\n");
            return false;
        }
    } catch (const std::bad_alloc&) {
        doc.Message(kMsgNoMemory);
        return false;
    }
    return true;
}

bool RunSort(Document& doc, const SortRequest& s) {
    if (!doc.IsOpen()) return false;
    return RunOperation(doc, [&s](Document& d, TextWriter& out) { return SortPass(d, out, s); });
}

}  // namespace tesmora
