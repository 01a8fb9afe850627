// Detection of UTF-8 and the table-driven conversions between UTF-8 and code
// page 932. Both tables come from the one decoding table of codepage.cpp, so
// the two directions can never disagree.
#include "tesmora/document/encoding.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "tesmora/document/codepage.h"
#include "tesmora/document/document.h"
#include "tesmora/document/message_ids.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/document/text.h"
#include "tesmora/document/text_stream.h"

namespace tesmora {
namespace {

// The tables hold UTF-8 bytes low first, copied four at a time.
static_assert(std::endian::native == std::endian::little);

constexpr std::size_t kWindow = 4096;
constexpr std::size_t kChunk = std::size_t{1} << 20;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Encoding table entries (Unicode BMP -> code page 932): the bytes as they
// are stored (first byte low), whether there are two, the variant slot.
constexpr std::uint32_t kMapped = 1u << 31;
constexpr std::uint32_t kPair = 1u << 16;
constexpr int kSlotShift = 20;
constexpr std::uint32_t kSlotMask = 0xFu << kSlotShift;
constexpr std::uint32_t kOtherForm = 1u << 24;

// Decoding table entries (code page 932 -> UTF-8): the bytes, low first, and
// their count in the top byte; 0 where there is no character.
std::uint32_t PackUtf8(char32_t u) {
    if (u < 0x80) return 1u << 24 | u;
    if (u < 0x800) return 2u << 24 | (0x80 | (u & 0x3F)) << 8 | (0xC0 | u >> 6);
    return 3u << 24 | (0x80 | (u & 0x3F)) << 16 | (0x80 | ((u >> 6) & 0x3F)) << 8 |
           (0xE0 | u >> 12);
}

std::uint32_t Entry(std::uint32_t code, bool pair) {
    return kMapped | (pair ? kPair | code >> 8 | (code & 0xFF) << 8 : code);
}

// Writes an entry's one or two bytes (o has a byte to spare).
inline void Put(char*& o, std::uint32_t e) {
    const auto bytes = static_cast<std::uint16_t>(e);
    std::memcpy(o, &bytes, 2);
    o += 1 + ((e & kPair) >> 16);
}

struct Slot {
    std::uint16_t code;
    char16_t common, other;
};

struct Tables {
    std::vector<std::uint32_t> encode = std::vector<std::uint32_t>(0x10000);
    std::vector<std::uint32_t> decode = std::vector<std::uint32_t>(0x10000);
    // The stored bytes of each character of three UTF-8 bytes that is a plain
    // pair (no other form, not half-width): the fast path; 0 for the rest.
    std::vector<std::uint16_t> pairs = std::vector<std::uint16_t>(0x10000);
    std::vector<Slot> slots{Slot{}};  // slot 0 unused
    int backslash_slot = 0;
};

std::unique_ptr<Tables> BuildTables() {
    auto t = std::make_unique<Tables>();
    const char16_t* dec = Cp932DecodeTable();
    for (std::uint32_t b = 0; b < 0x80; ++b) t->decode[b] = PackUtf8(b);
    auto add = [&](std::uint32_t code, bool pair) {
        const char16_t u = dec[code];
        if (u == 0 || u < 0x80) return;
        t->decode[code] = PackUtf8(u);
        std::uint32_t& e = t->encode[u];
        if (e == 0) {
            e = Entry(code, pair);
            return;
        }
        // Some characters have two codes (NEC and IBM rows): the platform's
        // converter says which one text becomes.
        const auto preferred = Utf16ToCp932(std::u16string(1, u));
        if (preferred && preferred->size() == 2 &&
            static_cast<std::uint32_t>(static_cast<unsigned char>((*preferred)[0]) << 8 |
                                       static_cast<unsigned char>((*preferred)[1])) == code)
            e = Entry(code, true);
    };
    for (std::uint32_t b = 0x80; b < 0x100; ++b)
        if (!IsLeadByte(static_cast<unsigned char>(b))) add(b, false);
    for (std::uint32_t lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (std::uint32_t trail = 0x40; trail <= 0xFC; ++trail)
            if (IsTrailByte(static_cast<unsigned char>(trail))) add(lead << 8 | trail, true);
    }
    // Each variant that is not the code's own character is its other form.
    for (const JisVariantForm& v : JisVariants()) {
        const std::uint32_t code = v.bytes.size() == 1
                                       ? static_cast<unsigned char>(v.bytes[0])
                                       : static_cast<unsigned char>(v.bytes[0]) << 8 |
                                             static_cast<unsigned char>(v.bytes[1]);
        const char16_t common = dec[code];
        if (common == v.c || common == 0) continue;
        const auto slot = static_cast<std::uint32_t>(t->slots.size());
        if (slot >= VariantForms::kSlots) break;
        t->slots.push_back(Slot{static_cast<std::uint16_t>(code), common, v.c});
        if (code == 0x5C) t->backslash_slot = static_cast<int>(slot);
        t->encode[v.c] = Entry(code, v.bytes.size() == 2) | slot << kSlotShift | kOtherForm;
        if (common >= 0x80) t->encode[common] |= slot << kSlotShift;
    }
    for (std::uint32_t u = 0x800; u < 0x10000; ++u) {
        const std::uint32_t e = t->encode[u];
        if ((e & (kMapped | kPair | kSlotMask)) == (kMapped | kPair))
            t->pairs[u] = static_cast<std::uint16_t>(e);
    }
    return t;
}

const Tables& GetTables() {
    static const std::unique_ptr<Tables> tables = BuildTables();
    return *tables;
}

// The decoding table in the given forms: the shared one, or a patched copy
// kept in storage; yen tells whether 0x5C is written as ¥.
const std::uint32_t* FormsTable(const VariantForms& forms, std::vector<std::uint32_t>& storage,
                                bool* yen) {
    const Tables& t = GetTables();
    *yen = false;
    for (int s = 1; s < static_cast<int>(t.slots.size()); ++s) {
        if (forms.Of(s) != VariantForms::kOther) continue;
        if (storage.empty()) storage = t.decode;
        if (t.slots[s].code == 0x5C) *yen = true;
        // Every code that reads as the common form is written in the other.
        const std::uint32_t other = PackUtf8(t.slots[s].other);
        for (std::uint32_t c = 0; c < 0x10000; ++c)
            if (Cp932DecodeTable()[c] == t.slots[s].common && t.decode[c]) storage[c] = other;
    }
    return storage.empty() ? t.decode.data() : storage.data();
}

std::string Hex(const unsigned char* p, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        if (i) s += ' ';
        s += "0x";
        s += kDigits[p[i] >> 4];
        s += kDigits[p[i] & 15];
    }
    return s;
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence at p (1 to 4), 0 when it is not one, -1 when
// it is cut short by end and may be whole with more bytes.
int SequenceLength(const unsigned char* p, const unsigned char* end, char32_t* cp) {
    const unsigned b = p[0];
    int n;
    char32_t u;
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        u = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        u = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        u = b & 0x07;
    } else {
        return 0;
    }
    for (int k = 1; k < n; ++k) {
        if (p + k >= end) return -1;
        if (!IsContinuation(p[k])) return 0;
        u = u << 6 | (p[k] & 0x3F);
        // Overlong forms and surrogates are caught at the second byte, so a
        // cut sequence is never called valid wrongly.
        if (k == 1 && ((n == 3 && u < 0x20) || (n == 3 && u >= 0x360 && u <= 0x37F) ||
                       (n == 4 && (u < 0x10 || u > 0x10F))))
            return 0;
    }
    *cp = u;
    return n;
}

std::size_t FirstNonAscii(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        if (w & kHighBits) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

// The decision on the bytes from the first non-ASCII one on.
std::optional<Encoding> DecideAt(std::string_view rest, bool whole_file) {
    const auto* p = reinterpret_cast<const unsigned char*>(rest.data());
    const auto* const end = p + rest.size();
    const bool short_data = rest.size() < kWindow;
    if (short_data && !whole_file) return std::nullopt;
    const unsigned char* const window_end = short_data ? end : p + kWindow;
    while (p < window_end) {
        char32_t u;
        const int n = SequenceLength(p, window_end, &u);
        if (n == 0) return Encoding::ShiftJis;
        // Cut by the window's end: valid; cut by the end of the data: not.
        if (n < 0) return short_data ? Encoding::ShiftJis : Encoding::Utf8;
        p += n;
    }
    return Encoding::Utf8;
}

// State of one conversion from UTF-8: the forms and the fault.
struct Converter {
    const Tables& t = GetTables();
    VariantForms& forms;
    EncodingFault& fault;
    std::int64_t fault_at = -1;  // offset in the input of the fault
    bool end_of_data = false;    // a byte 0x1A was met

    // Converts [begin, end) into out (room for end - begin bytes, and one
    // more). Returns the bytes consumed: fewer at a sequence cut by end
    // (more input follows), at a fault (fault_at set, counted from base) or
    // at a byte 0x1A (end_of_data set).
    std::size_t Run(const unsigned char* begin, const unsigned char* end, char* out,
                    std::size_t* written, std::int64_t base) {
        const unsigned char* p = begin;
        char* o = out;
        const std::uint32_t* const encode = t.encode.data();
        // The yen sign's other form is the ASCII backslash, met on the slow
        // path like 0x1A: the fast path stops at both.
        const int bs = t.backslash_slot;
        constexpr std::uint64_t kOnes = 0x0101010101010101ull;
        auto has = [](std::uint64_t w, unsigned char c) {
            const std::uint64_t x = w ^ (kOnes * c);
            return (x - kOnes) & ~x & kHighBits;
        };
        auto fail = [&](int message, std::string what) {
            Fail(message, base + (p - begin), std::move(what));
        };
        const std::uint16_t* const pairs = t.pairs.data();
        while (p < end) {
            while (end - p >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p, 8);
                if ((w & kHighBits) | has(w, 0x1A) | has(w, '\\')) break;
                std::memcpy(o, &w, 8);
                p += 8;
                o += 8;
            }
            if (p == end) break;
            if (*p < 0x80) {
                const unsigned b = *p;
                if (b == 0x1A) {
                    end_of_data = true;
                    break;
                }
                if (b == '\\' && bs && !forms.Note(bs, VariantForms::kCommon)) {
                    fail(kMsgTwoForms, "\\");
                    break;
                }
                *o++ = static_cast<char>(*p++);
                continue;
            }
            // Kana and kanji, one after another: three bytes, one plain pair;
            // two at a time while they last.
            while (end - p >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p, 8);
                if ((w & 0x0000C0C0F0C0C0F0ull) != 0x00008080E08080E0ull) break;
                const auto c0 =
                    static_cast<unsigned>((w & 0x0F) << 12 | (w >> 2 & 0xFC0) | (w >> 16 & 0x3F));
                const auto c1 = static_cast<unsigned>((w >> 12 & 0xF000) | (w >> 26 & 0xFC0) |
                                                      (w >> 40 & 0x3F));
                const std::uint32_t both = pairs[c0] | static_cast<std::uint32_t>(pairs[c1]) << 16;
                if (!(both & 0xFFFF) || !(both >> 16)) break;
                std::memcpy(o, &both, 4);
                o += 4;
                p += 6;
            }
            while (end - p >= 3 && (p[0] & 0xF0) == 0xE0 &&
                   ((p[1] & 0xC0) | (p[2] & 0xC0) << 8) == 0x8080) {
                const unsigned c = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
                const std::uint16_t bytes = pairs[c];
                if (!bytes) break;
                std::memcpy(o, &bytes, 2);
                o += 2;
                p += 3;
            }
            if (p == end || *p < 0x80) continue;
            char32_t u = 0;
            const int n = SequenceLength(p, end, &u);
            if (n < 0) break;  // completed by the next chunk
            if (n == 0) {
                std::size_t shown = 1;
                while (shown < 4 && p + shown < end && IsContinuation(p[shown])) ++shown;
                fail(kMsgInvalidUtf8, Hex(p, shown));
                break;
            }
            auto text = [&] {
                return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
            };
            const std::uint32_t e = u < 0x10000 ? encode[u] : 0;
            if (!(e & kMapped)) {
                fail(kMsgNotInCodePage, text());
                break;
            }
            if ((e & kSlotMask) &&
                !forms.Note(static_cast<int>((e & kSlotMask) >> kSlotShift),
                            (e & kOtherForm) ? VariantForms::kOther : VariantForms::kCommon)) {
                fail(kMsgTwoForms, text());
                break;
            }
            Put(o, e);
            p += n;
        }
        *written = static_cast<std::size_t>(o - out);
        return static_cast<std::size_t>(p - begin);
    }

    void Fail(int message, std::int64_t at, std::string what) {
        if (fault_at >= 0) return;
        fault.message = message;
        fault.what = std::move(what);
        fault_at = at;
    }
};

// Lines (LF) in file between two offsets; the file's position is lost.
std::int64_t CountLines(File& file, std::int64_t from, std::int64_t to) {
    std::int64_t lines = 0;
    std::vector<char> buf(kChunk);
    if (!file.Seek(from)) return 0;
    for (std::int64_t at = from; at < to;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(to - at, kChunk));
        const std::size_t got = file.Read(buf.data(), want);
        if (got == 0) break;
        lines += static_cast<std::int64_t>(CountByte(std::string_view(buf.data(), got), '\n'));
        at += static_cast<std::int64_t>(got);
    }
    return lines;
}

}  // namespace

const char* EncodingName(Encoding e) {
    switch (e) {
        case Encoding::Utf8:
            return "UTF-8";
        case Encoding::Utf8Bom:
            return "UTF-8 (BOM)";
        case Encoding::ShiftJis:
            break;
    }
    return "Shift-JIS";
}

const char* EncodingWord(Encoding e) {
    switch (e) {
        case Encoding::Utf8:
            return "utf-8";
        case Encoding::Utf8Bom:
            return "utf-8-bom";
        case Encoding::ShiftJis:
            break;
    }
    return "shift-jis";
}

std::optional<Encoding> EncodingFromWord(std::string_view word) {
    if (word == "shift-jis") return Encoding::ShiftJis;
    if (word == "utf-8") return Encoding::Utf8;
    if (word == "utf-8-bom") return Encoding::Utf8Bom;
    return std::nullopt;
}

std::optional<Encoding> DetectEncoding(std::string_view head, bool whole_file) {
    // The text ends at 0x1A, as for every reader.
    if (const std::size_t eod = head.find('\x1A'); eod != std::string_view::npos) {
        head = head.substr(0, eod);
        whole_file = true;
    }
    if (head.substr(0, 3) == kUtf8Bom) return Encoding::Utf8Bom;
    if (!whole_file && head.size() < 3 && kUtf8Bom.substr(0, head.size()) == head)
        return std::nullopt;
    const std::size_t first = FirstNonAscii(head);
    if (first == head.size()) return whole_file ? std::optional(Encoding::ShiftJis) : std::nullopt;
    return DecideAt(head.substr(first), whole_file);
}

Encoding DetectEncoding(File& file) {
    std::vector<char> buf(kChunk);
    std::string from_first;  // the bytes from the first non-ASCII byte on
    std::optional<Encoding> got;
    file.Seek(0);
    for (bool start = true; !got; start = false) {
        const std::size_t n = file.Read(buf.data(), buf.size());
        std::string_view more(buf.data(), n);
        // The text ends at 0x1A, as for every reader.
        const std::size_t eod = more.find('\x1A');
        const bool whole = n == 0 || eod != std::string_view::npos;
        if (eod != std::string_view::npos) more = more.substr(0, eod);
        if (start && more.substr(0, 3) == kUtf8Bom) {
            got = Encoding::Utf8Bom;
            break;
        }
        if (from_first.empty()) more.remove_prefix(FirstNonAscii(more));
        from_first.append(more);
        if (from_first.empty())
            got = whole ? std::optional(Encoding::ShiftJis) : std::nullopt;
        else
            got = DecideAt(from_first, whole);
    }
    file.Seek(*got == Encoding::Utf8Bom ? 3 : 0);
    return *got;
}

bool SkipBom(File& file) {
    char head[3] = {};
    if (!file.Seek(0)) return false;
    const std::size_t n = file.Read(head, 3);
    return file.Seek(n == 3 && std::string_view(head, 3) == kUtf8Bom ? 3 : 0);
}

bool VariantForms::Merge(const VariantForms& other) {
    for (int s = 1; s < kSlots; ++s)
        if (forms_[s] && other.forms_[s] && forms_[s] != other.forms_[s]) return false;
    for (int s = 1; s < kSlots; ++s)
        if (other.forms_[s]) forms_[s] = other.forms_[s];
    return true;
}

std::string EncodingFault::Prefix(const std::string& path) const {
    std::string s = path + "\n";
    if (line > 0) s += std::to_string(line) + "行目: " + what + "\n";
    return s;
}

bool ConvertUtf8Chunks(File& in, const ChunkSink& take, VariantForms& forms, EncodingFault& fault,
                       std::int64_t* consumed, std::int64_t limit) {
    // The file is read in chunks that end on a character boundary (UTF-8
    // says where one starts), so each converts on its own: both threads
    // read and convert chunks, and this one also takes the converted chunks
    // in order. A chunk notes its forms from none; they join the forms of
    // the chunks before it when it is taken, and a chunk whose forms clash
    // with theirs, or that stopped at a fault, is converted again in order,
    // so the first fault found is the first in the file.
    constexpr std::size_t kRing = 6;
    // A short file (another file, a pair set) is one small chunk, converted
    // here without a second thread.
    const std::int64_t left = in.IsRegular() ? in.Size() - in.Tell() : -1;
    const bool one_chunk = left >= 0 && left < static_cast<std::int64_t>(kChunk);
    const std::size_t chunk_bytes = one_chunk ? static_cast<std::size_t>(left) + 1 : kChunk;
    struct Chunk {
        std::vector<unsigned char> raw;
        std::vector<char> bytes;
        std::size_t raw_size = 0, size = 0, used = 0;
        std::int64_t base = 0;  // file offset of raw[0]
        VariantForms forms;
        EncodingFault fault;
        std::int64_t fault_at = -1;
        bool end_of_data = false;
        bool ready = false;
    };
    std::vector<Chunk> ring(one_chunk ? 1 : kRing);
    for (Chunk& c : ring) {
        c.raw.resize(chunk_bytes + 8);
        c.bytes.resize(chunk_bytes + 8);
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t read = 0, taken = 0;  // chunks read (or being read), taken
    bool no_more = false, stop = false, read_failed = false;
    const std::int64_t start = in.Tell();
    std::int64_t next_base = start;
    std::vector<unsigned char> carry;  // the start of a character cut by the last read
    in.ClearReadError();

    // Reads the next chunk and converts it; false when there is none to
    // read now. Called with the lock held; converts without it.
    auto convert_next = [&](std::unique_lock<std::mutex>& lock) {
        if (stop || no_more || read - taken >= ring.size()) return false;
        Chunk& c = ring[read % ring.size()];
        ++read;
        c.ready = false;
        if (!carry.empty()) std::memcpy(c.raw.data(), carry.data(), carry.size());
        const std::size_t got = in.Read(c.raw.data() + carry.size(), chunk_bytes);
        std::size_t size = carry.size() + got;
        carry.clear();
        if (got == 0) {
            no_more = true;
            read_failed = in.ReadFailed();
        } else {
            // A last character cut short goes on in the next chunk. Bytes
            // after a whole one are no character, wherever the chunk ends.
            std::size_t lead = size;
            while (lead > 0 && size - lead < 4 && IsContinuation(c.raw[lead - 1])) --lead;
            std::size_t cut = size;
            if (lead > 0 && c.raw[lead - 1] >= 0xC0) {
                const std::size_t at = lead - 1;
                const std::size_t n = c.raw[at] >= 0xF0 ? 4 : c.raw[at] >= 0xE0 ? 3 : 2;
                if (at + n > size) cut = at;
            }
            if (cut > 0 && cut < size) {
                carry.assign(c.raw.begin() + static_cast<std::ptrdiff_t>(cut),
                             c.raw.begin() + static_cast<std::ptrdiff_t>(size));
                size = cut;
            }
        }
        c.base = next_base;
        next_base += static_cast<std::int64_t>(size);
        if (limit >= 0 && next_base - start >= limit) no_more = true;
        c.raw_size = size;
        lock.unlock();
        c.forms = VariantForms{};
        c.fault = EncodingFault{};
        Converter conv{.forms = c.forms, .fault = c.fault};
        c.used = conv.Run(c.raw.data(), c.raw.data() + size, c.bytes.data(), &c.size, c.base);
        // The next chunk begins a character: a cut one here is no character.
        if (conv.fault_at < 0 && !conv.end_of_data && c.used < size && limit < 0)
            conv.Fail(kMsgInvalidUtf8, c.base + static_cast<std::int64_t>(c.used),
                      Hex(c.raw.data() + c.used, size - c.used));
        c.fault_at = conv.fault_at;
        c.end_of_data = conv.end_of_data;
        lock.lock();
        c.ready = true;
        changed.notify_all();
        return true;
    };
    std::thread helper;
    if (!one_chunk) {
        helper = std::thread([&] {
            std::unique_lock lock(mutex);
            for (;;) {
                changed.wait(lock, [&] { return stop || no_more || read - taken < ring.size(); });
                if (stop || no_more) break;
                convert_next(lock);
            }
        });
    }

    Converter conv{.forms = forms, .fault = fault};
    std::vector<char> again;
    bool took = true, ended = false;
    std::int64_t end_at = start;
    try {
        std::unique_lock lock(mutex);
        while (!ended) {
            if (taken < read && ring[taken % ring.size()].ready) {
                Chunk& c = ring[taken % ring.size()];
                lock.unlock();
                std::string_view bytes(c.bytes.data(), c.size);
                if (c.fault_at >= 0 || !forms.Merge(c.forms)) {
                    again.resize(c.raw_size + 8);
                    std::size_t size = 0;
                    conv.Run(c.raw.data(), c.raw.data() + c.used, again.data(), &size, c.base);
                    if (conv.fault_at < 0) conv.Fail(c.fault.message, c.fault_at, c.fault.what);
                    bytes = std::string_view(again.data(), size);
                }
                took = bytes.empty() || take(bytes);
                end_at = c.base + static_cast<std::int64_t>(c.used);
                ended = !took || conv.fault_at >= 0 || c.end_of_data;
                lock.lock();
                ++taken;
                changed.notify_all();
            } else if (!convert_next(lock)) {
                if (no_more && taken == read) break;
                changed.wait(lock);
            }
        }
        stop = true;
        changed.notify_all();
    } catch (...) {
        // The taker stopped the work (Cancelled): the helper ends first.
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        if (helper.joinable()) helper.join();
        throw;
    }
    if (helper.joinable()) helper.join();
    if (read_failed || !took) {
        fault.io = true;
        return false;
    }
    if (conv.fault_at >= 0) {
        fault.line = 1 + CountLines(in, start, conv.fault_at);
        return false;
    }
    if (consumed) *consumed = end_at - start;
    return true;
}

bool ConvertUtf8ToCp932(File& in, File& out, VariantForms& forms, EncodingFault& fault,
                        std::int64_t* consumed, std::int64_t limit) {
    auto write = [&out](std::string_view bytes) { return out.Write(bytes.data(), bytes.size()); };
    if (!ConvertUtf8Chunks(in, write, forms, fault, consumed, limit)) return false;
    if (out.Flush()) return true;
    fault.io = true;
    return false;
}

bool OpenAsCp932(const std::string& path, File& file, EncodingFault& fault, std::int64_t limit) {
    fault = EncodingFault{};
    if (!file.Open(path, "rb")) return false;
    if (!IsUtf8(DetectEncoding(file))) return file.Seek(0);
    const std::string temp = Document::MakeTempFileName();
    File out;
    if (temp.empty() || !out.Open(temp, Document::kTempOpenMode)) {
        if (!temp.empty()) RemoveTemp(temp);
        file.Close();
        return false;
    }
    out.RemoveOnClose();
    VariantForms forms;
    if (!ConvertUtf8ToCp932(file, out, forms, fault, nullptr, limit) || !out.Seek(0)) {
        if (fault.io) fault.message = 0;
        file.Close();
        return false;
    }
    file = std::move(out);
    return true;
}

std::optional<std::string> ConvertUtf8ToCp932(std::string_view utf8, VariantForms& forms,
                                              EncodingFault& fault) {
    Converter conv{.forms = forms, .fault = fault};
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    std::string out(utf8.size() + 8, '\0');
    std::size_t written = 0;
    const std::size_t used = conv.Run(p, p + utf8.size(), out.data(), &written, 0);
    if (conv.fault_at < 0 && !conv.end_of_data && used < utf8.size())
        conv.Fail(kMsgInvalidUtf8, static_cast<std::int64_t>(used),
                  Hex(p + used, utf8.size() - used));
    if (conv.fault_at >= 0) {
        fault.line = 1 + static_cast<std::int64_t>(CountByte(
                             utf8.substr(0, static_cast<std::size_t>(conv.fault_at)), '\n'));
        return std::nullopt;
    }
    out.resize(written);
    return out;
}

Utf8Writer::Utf8Writer(File& file, const VariantForms& forms, bool bom)
    : file_(file), buf_(kChunk * 3 + 16) {
    table_ = FormsTable(forms, patched_, &yen_);
    if (bom) {
        std::memcpy(buf_.data(), kUtf8Bom.data(), kUtf8Bom.size());
        used_ = kUtf8Bom.size();
    }
}

void Utf8Writer::Spill() {
    if (used_ && ok_ && !file_.Write(buf_.data(), used_)) ok_ = false;
    used_ = 0;
}

void Utf8Writer::WritePart(std::string_view cp932) {
    const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
    const auto* const end = p + cp932.size();
    const std::uint64_t kYen = yen_ ? 0x5C5C5C5C5C5C5C5Cull : 0;
    while (p < end && ok_) {
        if (buf_.size() - used_ < 3 * 4096 + 8) Spill();
        char* o = buf_.data() + used_;
        const unsigned char* const stop = std::min(end, p + 4096);
        if (lead_ >= 0) {
            const std::uint32_t e = table_[lead_ << 8 | *p];
            if (!e) {
                unmapped_ = true;
                ok_ = false;
                return;
            }
            std::memcpy(o, &e, 4);
            o += e >> 24;
            ++p;
            lead_ = -1;
        }
        while (p < stop) {
            while (stop - p >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p, 8);
                if (w & kHighBits) break;
                // A 0x5C written as ¥ takes the slow way.
                if (kYen) {
                    const std::uint64_t x = w ^ kYen;
                    if ((x - 0x0101010101010101ull) & ~x & kHighBits) break;
                }
                std::memcpy(o, &w, 8);
                p += 8;
                o += 8;
            }
            if (p == stop) break;
            // Double-byte characters one after another (a lead byte without
            // a trail has no entry).
            std::uint32_t e = 1;
            while (stop - p >= 2 && IsLeadByte(*p)) {
                e = table_[static_cast<unsigned>(*p) << 8 | p[1]];
                if (!e) break;
                std::memcpy(o, &e, 4);
                o += e >> 24;
                p += 2;
            }
            if (p == stop || !e) {
                if (e) break;
                unmapped_ = true;
                ok_ = false;
                used_ = static_cast<std::size_t>(o - buf_.data());
                return;
            }
            const unsigned b = *p;
            if (IsLeadByte(static_cast<unsigned char>(b))) {
                if (p + 1 == end) {
                    lead_ = static_cast<int>(b);
                    ++p;
                    break;
                }
                e = table_[b << 8 | p[1]];
                p += 2;
            } else {
                e = table_[b];
                ++p;
            }
            if (!e) {
                unmapped_ = true;
                ok_ = false;
                used_ = static_cast<std::size_t>(o - buf_.data());
                return;
            }
            std::memcpy(o, &e, 4);  // the buffer keeps room past its end
            o += e >> 24;
        }
        used_ = static_cast<std::size_t>(o - buf_.data());
    }
}

bool Utf8Writer::Flush() {
    if (lead_ >= 0) {
        unmapped_ = true;
        ok_ = false;
        lead_ = -1;
    }
    Spill();
    if (!file_.Flush()) ok_ = false;
    return ok_;
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932, const VariantForms& forms) {
    std::vector<std::uint32_t> storage;
    bool yen;
    const std::uint32_t* table = FormsTable(forms, storage, &yen);
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    for (std::size_t i = 0; i < cp932.size();) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        std::uint32_t e;
        if (IsLeadByte(b)) {
            if (i + 1 >= cp932.size()) return std::nullopt;
            const auto trail = static_cast<unsigned char>(cp932[i + 1]);
            e = IsTrailByte(trail) ? table[b << 8 | trail] : 0;
            i += 2;
        } else {
            e = table[b];
            ++i;
        }
        if (!e) return std::nullopt;
        for (std::uint32_t k = 0; k < e >> 24; ++k)
            out.push_back(static_cast<char>((e >> (8 * k)) & 0xFF));
    }
    return out;
}

}  // namespace tesmora
