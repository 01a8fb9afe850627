// Detection of UTF-8 and the table-driven conversions between UTF-8 and code
// page 932. Both tables come from the one decoding table of codepage.cpp, so
// the two directions can never disagree.
#include "tesmora/document/encoding.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

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

// Encoding table entries (Unicode BMP -> code page 932).
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

struct Slot {
    std::uint16_t code;
    char16_t common, other;
};

struct Tables {
    std::vector<std::uint32_t> encode = std::vector<std::uint32_t>(0x10000);
    std::vector<std::uint32_t> decode = std::vector<std::uint32_t>(0x10000);
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
            e = kMapped | (pair ? kPair : 0) | code;
            return;
        }
        // Some characters have two codes (NEC and IBM rows): the platform's
        // converter says which one text becomes.
        const auto preferred = Utf16ToCp932(std::u16string(1, u));
        if (preferred && preferred->size() == 2 &&
            static_cast<std::uint32_t>(static_cast<unsigned char>((*preferred)[0]) << 8 |
                                       static_cast<unsigned char>((*preferred)[1])) == code)
            e = kMapped | kPair | code;
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
        t->encode[v.c] =
            kMapped | (v.bytes.size() == 2 ? kPair : 0) | code | slot << kSlotShift | kOtherForm;
        if (common >= 0x80) t->encode[common] |= slot << kSlotShift;
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

    // Converts [p, end) into out (room for end - p bytes). Returns the bytes
    // consumed: fewer at a sequence cut by end (more input follows) or at a
    // fault (fault_at set, relative to p's base).
    std::size_t Run(const unsigned char* begin, const unsigned char* end, char* out,
                    std::size_t* written, std::int64_t base) {
        const unsigned char* p = begin;
        char* o = out;
        // The yen sign's other form is the ASCII backslash, which the fast
        // path copies unseen: the first one is found ahead, and noted when
        // the conversion reaches it, so a conflict names the later of the two.
        const int bs = t.backslash_slot;
        const unsigned char* stop = end;
        if (bs && forms.Of(bs) != VariantForms::kCommon) {
            if (const void* q = std::memchr(p, '\\', static_cast<std::size_t>(end - p)))
                stop = static_cast<const unsigned char*>(q);
        }
        while (Convert(p, stop, end, o, base + (p - begin)) && p == stop && stop != end) {
            if (!forms.Note(bs, VariantForms::kCommon)) {
                Fail(kMsgTwoForms, base + (p - begin), "\\");
                break;
            }
            stop = end;
        }
        *written = static_cast<std::size_t>(o - out);
        return static_cast<std::size_t>(p - begin);
    }

    // Converts from p up to stop (sequences may run on to end); false at a
    // fault or at a sequence cut by end (p then stands at it).
    bool Convert(const unsigned char*& p, const unsigned char* stop, const unsigned char* end,
                 char*& o, std::int64_t at) {
        const unsigned char* const from = p;
        auto fail = [&](int message, std::string what) {
            Fail(message, at + (p - from), std::move(what));
            return false;
        };
        while (p < stop) {
            while (stop - p >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p, 8);
                if (w & kHighBits) break;
                std::memcpy(o, &w, 8);
                p += 8;
                o += 8;
            }
            if (p == stop) break;
            if (*p < 0x80) {
                *o++ = static_cast<char>(*p++);
                continue;
            }
            char32_t u = 0;
            const int n = SequenceLength(p, end, &u);
            if (n < 0) return false;  // completed by the next chunk
            if (n == 0) {
                std::size_t shown = 1;
                while (shown < 4 && p + shown < end && IsContinuation(p[shown])) ++shown;
                return fail(kMsgInvalidUtf8, Hex(p, shown));
            }
            auto text = [&] {
                return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
            };
            const std::uint32_t e = u < 0x10000 ? t.encode[u] : 0;
            if (!(e & kMapped)) return fail(kMsgNotInCodePage, text());
            if ((e & kSlotMask) &&
                !forms.Note(static_cast<int>((e & kSlotMask) >> kSlotShift),
                            (e & kOtherForm) ? VariantForms::kOther : VariantForms::kCommon))
                return fail(kMsgTwoForms, text());
            if (e & kPair) *o++ = static_cast<char>((e >> 8) & 0xFF);
            *o++ = static_cast<char>(e & 0xFF);
            p += n;
        }
        return true;
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

bool ConvertUtf8ToCp932(File& in, File& out, VariantForms& forms, EncodingFault& fault,
                        std::int64_t* consumed, std::int64_t limit) {
    Converter conv{.forms = forms, .fault = fault};
    const std::int64_t start = in.Tell();
    std::vector<unsigned char> buf(kChunk + 4);
    std::vector<char> converted(kChunk + 4);
    std::size_t carry = 0;      // bytes of a cut sequence kept at buf's start
    std::int64_t base = start;  // file offset of buf[0]
    bool end_of_data = false;
    in.ClearReadError();
    while (!end_of_data) {
        const std::size_t got = in.Read(buf.data() + carry, kChunk);
        std::size_t have = carry + got;
        if (got == 0) end_of_data = true;
        if (const void* eod = std::memchr(buf.data() + carry, 0x1A, got)) {
            have = static_cast<std::size_t>(static_cast<const unsigned char*>(eod) - buf.data());
            end_of_data = true;
        }
        std::size_t written = 0;
        const std::size_t used =
            conv.Run(buf.data(), buf.data() + have, converted.data(), &written, base);
        if (written && !out.Write(converted.data(), written)) {
            fault.io = true;
            return false;
        }
        if (conv.fault_at >= 0) break;
        carry = have - used;
        if (limit >= 0 && base + static_cast<std::int64_t>(used) - start >= limit) {
            base += static_cast<std::int64_t>(used);
            carry = 0;  // a preview may end inside a character
            break;
        }
        if (carry && end_of_data) {
            // The data ends inside a sequence.
            conv.Fail(kMsgInvalidUtf8, base + static_cast<std::int64_t>(used),
                      Hex(buf.data() + used, carry));
            break;
        }
        std::memmove(buf.data(), buf.data() + used, carry);
        base += static_cast<std::int64_t>(used);
    }
    if (in.ReadFailed()) {
        fault.io = true;
        return false;
    }
    if (conv.fault_at >= 0) {
        fault.line = 1 + CountLines(in, start, conv.fault_at);
        return false;
    }
    if (consumed) *consumed = base - start;
    return out.Flush();
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
    if (conv.fault_at < 0 && used < utf8.size())
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
            const std::uint32_t e = IsTrailByte(*p) ? table_[lead_ << 8 | *p] : 0;
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
            const unsigned b = *p;
            std::uint32_t e;
            if (IsLeadByte(static_cast<unsigned char>(b))) {
                if (p + 1 == end) {
                    lead_ = static_cast<int>(b);
                    ++p;
                    break;
                }
                e = IsTrailByte(p[1]) ? table_[b << 8 | p[1]] : 0;
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
