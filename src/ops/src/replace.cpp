// Multiple string replacement. The pass applies the pairs field by field in
// list order. One walk over a record's range, with tables of the
// before-strings' first bytes, notes which pairs occur in which field, so a
// field is rewritten only by the pairs that occur in it and is walked again
// only after a pair whose inserted text a later pair could match. The result
// is exactly that of applying every pair in turn.
#include "tesmora/ops/replace.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <climits>
#include <future>
#include <new>
#include <optional>
#include <span>

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#include <immintrin.h>
#endif

#include "tesmora/document/codepage.h"
#include "tesmora/document/encoding.h"
#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

ReplaceRequest LoadReplaceSettings(ISettingsStore& store) {
    ReplaceRequest r;
    r.first = FieldIndex{store.GetInt(kReplaceSection, "Field1", 0)};
    r.last = FieldIndex{store.GetInt(kReplaceSection, "Field2", 1)};
    r.only_one = store.GetInt(kReplaceSection, "OnlyOne", 1) != 0;
    return r;
}

void StoreReplaceSettings(ISettingsStore& store, const ReplaceRequest& r) {
    store.SetInt(kReplaceSection, "Field1", r.first.value);
    store.SetInt(kReplaceSection, "Field2", r.last.value);
    store.SetInt(kReplaceSection, "OnlyOne", r.only_one ? 1 : 0);
}

namespace {

// Message prefixes are UTF-8; the strings are code page 932.
std::string Utf8Of(std::string_view cp932) {
    std::string out;
    for (char16_t c : Cp932ToUtf16(cp932)) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// One trailing LF does not start a line.
std::string_view WithoutFinalBreak(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

std::size_t LineCount(std::string_view text) {
    return CountByte(WithoutFinalBreak(text), '\n') + 1;
}

// The lines, each cut at its first CR.
std::vector<std::string> Lines(std::string_view text) {
    text = WithoutFinalBreak(text);
    std::vector<std::string> lines;
    lines.reserve(LineCount(text));
    std::size_t start = 0;
    while (true) {
        const std::size_t lf = text.find('\n', start);
        std::string_view line = text.substr(start, lf == npos ? npos : lf - start);
        line = line.substr(0, line.find('\r'));
        lines.emplace_back(line);
        if (lf == npos) break;
        start = lf + 1;
    }
    return lines;
}

Validation CheckPairs(const ReplaceRequest& r, IMessageSink& questions, ReplacementPairs& p) {
    if (r.before_list.empty()) return Refuse(kMsgNoText, Focus::BeforeList);
    const std::size_t before_lines = LineCount(r.before_list);
    if (before_lines > kMaxReplacePairs) return Refuse(kMsgTooManyStrings, Focus::BeforeList);
    if (r.after_list.empty()) return Refuse(kMsgNoText, Focus::AfterList);
    if (r.after_list.find(',') != npos) return Refuse(kMsgNoComma, Focus::AfterList);
    const std::size_t after_lines = LineCount(r.after_list);
    if (after_lines > kMaxReplacePairs) return Refuse(kMsgTooManyStrings, Focus::AfterList);
    if (before_lines != after_lines) return Refuse(kMsgPairCountMismatch);

    p.before = Lines(r.before_list);
    for (const std::string& b : p.before)
        if (b.empty()) return Refuse(kMsgEmptyBeforeString, Focus::BeforeList);
    p.after = Lines(r.after_list);

    const std::size_t n = p.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (p.before[i] == p.before[j])
                return RefuseWith(kMsgDuplicateBeforeString, Utf8Of(p.before[i]) + "\n",
                                  Focus::BeforeList);
            if (FindText(p.before[j], p.before[i]) == npos) continue;
            // The earlier pair would take the later one's matches.
            const std::string prefix = Utf8Of(p.before[i]) + " <-> " + Utf8Of(p.before[j]) + "\n";
            if (ShowMessage(questions, kMsgSwapOrder, prefix, MsgStyle::Question) == kIdYes) {
                std::swap(p.before[i], p.before[j]);
                std::swap(p.after[i], p.after[j]);
            }
        }
    }
    return {};
}

// The first occurrence of needle at or after from that starts a character,
// as FindText finds it. When needle ends on a whole character, every match
// ends on a boundary, so the plain (vectorised) search with a look back at
// each candidate gives the same answer; otherwise FindText walks.
std::size_t FindFrom(std::string_view text, std::string_view needle, std::size_t from,
                     bool closed) {
    if (!closed) return FindText(text, needle, from);
    for (std::size_t p = text.find(needle, from); p != npos; p = text.find(needle, p + 1))
        if (!CutsCharacter(text, p)) return p;
    return npos;
}

// Appends text with every occurrence of from replaced by to, exactly as the
// shared ReplaceAll does, searching from start (no occurrence lies before
// it); the first match, npos when there is none.
std::size_t ReplaceInto(std::string_view text, std::string_view from, std::string_view to,
                        std::string& out, bool closed, std::size_t start) {
    const std::size_t first = FindFrom(text, from, start, closed);
    if (first == npos) return npos;
    std::size_t pos = 0;
    for (std::size_t p = first; p != npos; p = FindFrom(text, from, pos, closed)) {
        out.append(text.substr(pos, p - pos));
        out.append(to);
        pos = p + from.size();
    }
    out.append(text.substr(pos));
    return first;
}

}  // namespace

Validation ValidatePairs(const ReplaceRequest& r, IMessageSink& questions,
                         ReplacementPairs* pairs) {
    try {
        ReplacementPairs p;
        Validation v = CheckPairs(r, questions, p);
        if (v.Accepted() && pairs) *pairs = std::move(p);
        return v;
    } catch (const std::bad_alloc&) {
        return Refuse(kMsgNoMemory);
    }
}

// ---- the matcher ----

namespace {

// Above this many of the 65,536 byte pairs passing the nibble masks, too
// many positions need the exact look, and the plain walk is faster.
constexpr std::size_t kNibblePasses = 8192;

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define TES_NIBBLE_WALK 1
#else
#define TES_NIBBLE_WALK 0
#endif

#if TES_NIBBLE_WALK
// The buckets whose masks hold both nibbles of each byte of v.
__attribute__((target("ssse3"))) inline __m128i Buckets(__m128i v, __m128i lo, __m128i hi) {
    const __m128i low = _mm_set1_epi8(0x0F);
    return _mm_and_si128(_mm_shuffle_epi8(lo, _mm_and_si128(v, low)),
                         _mm_shuffle_epi8(hi, _mm_and_si128(_mm_srli_epi16(v, 4), low)));
}

// Sixteen positions a step: a position passes when the nibbles of its byte
// and of the next one agree with one bucket's (a superset of the pairs that
// begin a before-string); the exact bit then decides. A text of seventeen
// bytes or more is walked to its end (i is set there), a shorter one not at all.
template <typename Hit>
__attribute__((target("ssse3"))) bool NibbleWalk(const PairMatcher::NibbleMasks& m,
                                                 const std::array<std::uint64_t, 1024>& bits,
                                                 const unsigned char* p, std::size_t n,
                                                 std::size_t& i, Hit& hit) {
    const auto load = [](const std::array<std::uint8_t, 16>& a) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(a.data()));
    };
    const __m128i lo0 = load(m.lo0), hi0 = load(m.hi0), lo1 = load(m.lo1), hi1 = load(m.hi1);
    const __m128i zero = _mm_setzero_si128();

    if (n < 17) return true;
    for (const std::size_t last = n - 17; i + 1 < n; i += 16) {
        // The last step ends at the last byte and skips the positions done.
        const std::size_t base = std::min(i, last);
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + base));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + base + 1));
        const __m128i both = _mm_and_si128(Buckets(a, lo0, hi0), Buckets(b, lo1, hi1));
        unsigned pass = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(both, zero))) &
                        (0xFFFFu << (i - base)) & 0xFFFF;
        while (pass) [[unlikely]] {
                const std::size_t k = base + static_cast<std::size_t>(std::countr_zero(pass));
                pass &= pass - 1;
                const unsigned key = static_cast<unsigned>(p[k]) << 8 | p[k + 1];
                if (bits[key >> 6] >> (key & 63) & 1 && !hit(k)) return false;
            }
    }
    i = n - 1;
    return true;
}

bool HasByteShuffles() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

// Calls hit(i) for every i < n - 1 whose byte pair begins some before-string
// of two bytes or more (bits: one per pair value), in order, while hit
// returns true; false when a hit stopped the walk. Eight lookups go without
// a branch between them: hits are rare.
template <typename Hit>
bool ForEachPairHit(const std::array<std::uint64_t, 1024>& bits,
                    const PairMatcher::NibbleMasks& nibbles, std::string_view text, Hit hit) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    auto bit = [&](std::size_t i) {
        const unsigned key = static_cast<unsigned>(p[i]) << 8 | p[i + 1];
        return bits[key >> 6] >> (key & 63);
    };
    std::size_t i = 0;
#if TES_NIBBLE_WALK
    if (nibbles.usable && !NibbleWalk(nibbles, bits, p, n, i, hit)) return false;
#else
    (void)nibbles;
#endif
    for (; i + 8 < n; i += 8) {
        if (!((bit(i) | bit(i + 1) | bit(i + 2) | bit(i + 3) | bit(i + 4) | bit(i + 5) |
               bit(i + 6) | bit(i + 7)) &
              1)) [[likely]]
            continue;
        for (std::size_t k = i; k < i + 8; ++k)
            if (bit(k) & 1 && !hit(k)) return false;
    }
    for (; i + 1 < n; ++i)
        if (bit(i) & 1 && !hit(i)) return false;
    return true;
}

// Whether a text walked on its own ends where it would inside a longer text:
// its last character is not a lead byte left waiting for its trail byte.
bool Closed(std::string_view s) {
    std::size_t i = 0, last = 0;
    while (i < s.size()) {
        last = i;
        i += CharLength(s, i);
    }
    return s.empty() || !(last == s.size() - 1 && IsLeadByte(static_cast<unsigned char>(s[last])));
}

// Whether b could match a stretch that holds a byte of a: b inside a, a
// inside b, or the two overlapping at either end (bytes, not characters:
// erring on the safe side).
bool CanOverlap(std::string_view a, std::string_view b) {
    if (a.find(b) != npos || b.find(a) != npos) return true;
    const std::size_t most = std::min(a.size(), b.size());
    for (std::size_t k = 1; k < most; ++k)
        if (a.substr(a.size() - k) == b.substr(0, k) || b.substr(b.size() - k) == a.substr(0, k))
            return true;
    return false;
}

}  // namespace

PairMatcher::PairMatcher(const ReplacementPairs& pairs) : pairs_(pairs) {
    single_.fill(-1);
    std::vector<std::uint32_t> count(65536, 0);
    const int n = static_cast<int>(pairs_.size());
    auto live = [&](int i) {
        // A field holds no comma, so a before-string with one never matches.
        const std::string& b = pairs_.before[static_cast<std::size_t>(i)];
        return !b.empty() && b.find(',') == npos;
    };
    auto key_of = [](std::string_view b) {
        return static_cast<unsigned>(static_cast<unsigned char>(b[0])) << 8 |
               static_cast<unsigned char>(b[1]);
    };
    for (int i = 0; i < n; ++i) {
        if (!live(i)) continue;
        const std::string& b = pairs_.before[static_cast<std::size_t>(i)];
        if (b.size() == 1) {
            // Any byte may follow: the pair table answers for these too.
            single_[static_cast<unsigned char>(b[0])] = static_cast<std::int16_t>(i);
            const unsigned base = static_cast<unsigned>(static_cast<unsigned char>(b[0])) << 8;
            for (unsigned k = base; k < base + 256; k += 64) pair_bits_[k >> 6] = ~std::uint64_t{0};
            continue;
        }
        const unsigned key = key_of(b);
        pair_bits_[key >> 6] |= std::uint64_t{1} << (key & 63);
        ++count[key];
        if (b.size() < 4) {
            short_bits_[key >> 6] |= std::uint64_t{1} << (key & 63);
        } else {
            const unsigned tail = key_of(b.substr(2));
            tail_bits_[tail >> 6] |= std::uint64_t{1} << (tail & 63);
        }
    }
    // The nibble masks: bucket by the first byte's low three bits, so each
    // bucket's first byte keeps a narrow low nibble.
    for (unsigned k = 0; k < 65536; ++k) {
        if (!(pair_bits_[k >> 6] >> (k & 63) & 1)) continue;
        const unsigned b0 = k >> 8, b1 = k & 0xFF;
        const auto bucket = static_cast<std::uint8_t>(1u << (b0 & 7));
        nibbles_.lo0[b0 & 15] |= bucket;
        nibbles_.hi0[b0 >> 4] |= bucket;
        nibbles_.lo1[b1 & 15] |= bucket;
        nibbles_.hi1[b1 >> 4] |= bucket;
    }
#if TES_NIBBLE_WALK
    std::size_t passes = 0;
    for (unsigned b0 = 0; b0 < 256; ++b0)
        for (unsigned b1 = 0; b1 < 256; ++b1)
            passes += (nibbles_.lo0[b0 & 15] & nibbles_.hi0[b0 >> 4] & nibbles_.lo1[b1 & 15] &
                       nibbles_.hi1[b1 >> 4]) != 0;
    nibbles_.usable = HasByteShuffles() && passes <= kNibblePasses;
#endif
    bucket_start_.assign(65537, 0);
    for (unsigned k = 0; k < 65536; ++k) bucket_start_[k + 1] = bucket_start_[k] + count[k];
    bucket_.resize(bucket_start_[65536]);
    std::vector<std::uint32_t> fill(bucket_start_.begin(), bucket_start_.end() - 1);
    for (int i = 0; i < n; ++i)
        if (live(i) && pairs_.before[static_cast<std::size_t>(i)].size() >= 2)
            bucket_[fill[key_of(pairs_.before[static_cast<std::size_t>(i)])]++] =
                static_cast<std::uint16_t>(i);  // ascending: i rises

    // Bytes of the later before-strings, for a quick answer in most cases.
    inert_.assign(static_cast<std::size_t>(n), false);
    closed_.assign(static_cast<std::size_t>(n), false);
    std::array<bool, 256> later{};
    for (int i = n - 1; i >= 0; --i) {
        const auto k = static_cast<std::size_t>(i);
        const std::string& a = pairs_.after[k];
        closed_[k] = Closed(pairs_.before[k]);
        bool inert = !a.empty() && Closed(a) && closed_[k];
        bool shares = false;
        for (char c : a) shares = shares || later[static_cast<unsigned char>(c)];
        for (int j = i + 1; inert && shares && j < n; ++j)
            if (live(j) && CanOverlap(a, pairs_.before[static_cast<std::size_t>(j)])) inert = false;
        inert_[k] = inert;
        if (live(i))
            for (char c : pairs_.before[k]) later[static_cast<unsigned char>(c)] = true;
    }
    seen_.assign(static_cast<std::size_t>(n), 0);
    first_at_.assign(static_cast<std::size_t>(n), 0);
}

template <typename Note>
void PairMatcher::EachMatch(std::string_view text, int from, Note note) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    // Every byte pair is looked up; the rare hit is kept only where FindText
    // would try it, at a character start (no serial walk over the text).
    auto bit = [](const std::array<std::uint64_t, 1024>& bits, unsigned key) {
        return bits[key >> 6] >> (key & 63) & 1;
    };
    auto try_at = [&](std::size_t i) {
        const int one = single_[p[i]];
        if (one < 0 && i + 1 < n &&
            !bit(short_bits_, static_cast<unsigned>(p[i]) << 8 | p[i + 1])) {
            // Only before-strings of four bytes or more start with these two.
            if (i + 4 > n || !bit(tail_bits_, static_cast<unsigned>(p[i + 2]) << 8 | p[i + 3]))
                return;
        }
        if (CutsCharacter(text, i)) return;
        if (one >= from) note(one, i);
        if (i + 1 >= n) return;
        const unsigned key = static_cast<unsigned>(p[i]) << 8 | p[i + 1];
        for (std::uint32_t k = bucket_start_[key]; k < bucket_start_[key + 1]; ++k) {
            const int idx = bucket_[k];
            if (idx < from) continue;
            const std::string& b = pairs_.before[static_cast<std::size_t>(idx)];
            if (b.size() <= n - i && std::memcmp(p + i, b.data(), b.size()) == 0) note(idx, i);
        }
    };
    ForEachPairHit(pair_bits_, nibbles_, text, [&](std::size_t i) {
        try_at(i);
        return true;
    });
    if (n > 0 && single_[p[n - 1]] >= from) try_at(n - 1);
}

void PairMatcher::StartNoting(std::vector<int>& found) const {
    found.clear();
    if (++walk_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        walk_ = 1;
    }
}

// A pair is noted once per walk, where it first occurs.
void PairMatcher::NoteFirst(int pair, std::size_t at, std::vector<int>& found) const {
    std::uint32_t& mark = seen_[static_cast<std::size_t>(pair)];
    if (mark == walk_) return;
    mark = walk_;
    first_at_[static_cast<std::size_t>(pair)] = at;
    found.push_back(pair);
}

void PairMatcher::Occurring(std::string_view text, int from, std::vector<int>& found) const {
    StartNoting(found);
    EachMatch(text, from, [&](int idx, std::size_t at) { NoteFirst(idx, at, found); });
    std::sort(found.begin(), found.end());
}

std::optional<std::string_view> PairMatcher::ApplyToField(std::string_view field,
                                                          bool only_one) const {
    std::vector<int>& found = found_;  // with first_at_, as Occurring gives them
    if (found.empty()) return std::nullopt;
    std::string_view text = field;
    bool changed = false;
    // The text is still the one walked up to here: first_at_ holds there.
    std::size_t same = npos;
    for (std::size_t k = 0; k < found.size(); ++k) {
        const auto i = static_cast<std::size_t>(found[k]);
        const std::size_t len = pairs_.before[i].size();
        std::size_t start = first_at_[i];
        if (same != npos && start + len > same)
            start = closed_[i] && same >= len ? same - (len - 1) : 0;
        next_.clear();
        // An earlier pair may have taken this pair's matches.
        const std::size_t hit =
            ReplaceInto(text, pairs_.before[i], pairs_.after[i], next_, closed_[i], start);
        if (hit == npos) continue;
        current_.swap(next_);
        text = current_;
        changed = true;
        same = std::min(same, hit);
        if (only_one) break;
        // The later pairs see what pair i inserted: look again unless it cannot match.
        if (!inert_[i] && i + 1 < pairs_.size()) {
            Occurring(text, static_cast<int>(i) + 1, found);
            same = npos;
            k = static_cast<std::size_t>(-1);
        }
    }
    if (!changed) return std::nullopt;
    return text;
}

bool PairMatcher::Apply(std::string_view record, FieldIndex first, FieldIndex last, bool only_one,
                        std::string& out) const {
    if (first.value < 0) first = FieldIndex{0};
    const int to = last < first ? INT_MAX : last.value;
    // One walk over the whole range notes every match; most records have
    // none. A before-string holds no comma, so each match lies in one field,
    // and the field's own walk would find the same ones.
    const auto stretch = FieldSpan(record, first, last < first ? kRestOfRecord : last);
    if (!stretch) return false;
    hits_.clear();
    EachMatch(*stretch, 0, [&](int idx, std::size_t at) {
        hits_.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(idx)});
    });
    if (hits_.empty()) return false;
    const std::size_t offset = static_cast<std::size_t>(stretch->data() - record.data());
    bool changed = false;
    std::size_t start = 0;   // of field j
    std::size_t copied = 0;  // record bytes already in out (once changed)
    std::size_t next = 0;    // the first hit not yet given to a field
    for (int j = 0;; ++j) {
        const std::size_t comma = record.find(',', start);
        const std::size_t stop = comma == npos ? record.size() : comma;
        if (j > to || next == hits_.size()) break;
        // Only the fields the walk found a match in.
        if (j >= first.value && offset + hits_[next].at < stop) {
            // This field's hits, as Occurring would give them.
            StartNoting(found_);
            for (; next < hits_.size() && offset + hits_[next].at < stop; ++next)
                NoteFirst(static_cast<int>(hits_[next].pair), offset + hits_[next].at - start,
                          found_);
            std::sort(found_.begin(), found_.end());
            if (const auto field = ApplyToField(record.substr(start, stop - start), only_one)) {
                if (!changed) {
                    out.clear();
                    changed = true;
                }
                out.append(record.substr(copied, start - copied));
                out.append(*field);
                copied = stop;
            }
        }
        if (comma == npos) break;
        start = comma + 1;
    }
    if (changed) out.append(record.substr(copied));
    return changed;
}

std::string ReplaceInRecord(std::string_view record, const ReplacementPairs& pairs,
                            FieldIndex first, FieldIndex last, bool only_one) {
    std::string out;
    if (!PairMatcher(pairs).Apply(record, first, last, only_one, out)) out.assign(record);
    return out;
}

// ---- replacement-set files ----

Validation LoadReplacementSet(const std::string& path, std::string& before_list,
                              std::string& after_list) {
    auto lower_end = [&] {
        std::string end = path.size() >= 4 ? path.substr(path.size() - 4) : path;
        for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return end;
    };
    if (lower_end() != ".cng") return Refuse(kMsgNeedCngFile);
    File file;
    EncodingFault fault;
    if (!OpenAsCp932(path, file, fault))
        return fault.message ? RefuseWith(fault.message, fault.Prefix(path))
                             : Refuse(kMsgOpenFailed);
    std::string before, after;
    TextReader reader(file);
    Line line;
    while (reader.Next(line)) {
        const std::size_t mark = line.text.find('\x14');
        if (mark == npos) continue;
        before.append(line.text.substr(0, mark)).append("\r\n");
        after.append(line.text.substr(mark + 1)).append("\r\n");
    }
    before_list = std::move(before);
    after_list = std::move(after);
    return {};
}

Validation SaveReplacementSet(const std::string& path, const ReplacementPairs& pairs) {
    File file;
    bool ok = file.Open(path, "wb");
    if (ok) {
        TextWriter writer(file);
        std::string line;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            line.assign(pairs.before[i]).append(1, '\x14').append(pairs.after[i]);
            writer.WriteRecord(line);
        }
        ok = writer.Flush();
    }
    if (ok) file.Close();
    return ok ? Validation{} : RefuseWith(kMsgCreateFailed, path + "\n");
}

// ---- the run ----

namespace {

// Records pass in batches. A second thread matches a batch piece by piece
// while this one writes the batch before it and reads the one after it,
// then takes the pieces left; so the work divides itself between the two
// whatever the share of matching. The output is the same, in the same order.
struct Piece {
    static constexpr std::uint32_t kSame = UINT32_MAX;
    std::size_t from = 0, to = 0;         // the batch's records matched here
    std::string out;                      // their rewritten records
    std::vector<std::uint32_t> out_ends;  // where each ends in out, or kSame
    std::size_t too_long = npos;          // the first record over the limit
    bool no_memory = false;
};

struct ReplaceBatch {
    std::string bytes;                // the records read, back to back
    std::vector<std::uint32_t> ends;  // where each record ends in bytes
    std::vector<Piece> pieces;
    std::atomic<std::size_t> next_piece{0};  // the first piece no thread has taken

    std::string_view Input(std::size_t k) const {
        const std::uint32_t from = k == 0 ? 0 : ends[k - 1];
        return std::string_view(bytes).substr(from, ends[k] - from);
    }
};

constexpr std::size_t kPieceRecords = 512;
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

void MatchPieceOf(const PairMatcher& matcher, const ReplaceRequest& r, FieldIndex last,
                  const ReplaceBatch& b, Piece& piece) {
    piece.out.clear();
    piece.out_ends.clear();
    piece.too_long = npos;
    piece.no_memory = false;
    try {
        std::string rewritten;
        for (std::size_t k = piece.from; k < piece.to; ++k) {
            if (!matcher.Apply(b.Input(k), r.first, last, r.only_one, rewritten)) {
                piece.out_ends.push_back(Piece::kSame);
                continue;
            }
            if (rewritten.size() > static_cast<std::size_t>(kMaxRecordBytes)) {
                piece.too_long = k;
                return;
            }
            piece.out.append(rewritten);
            piece.out_ends.push_back(static_cast<std::uint32_t>(piece.out.size()));
        }
    } catch (const std::bad_alloc&) {
        piece.no_memory = true;
    }
}

}  // namespace

bool ReplacePass(Document& doc, TextWriter& out, const ReplaceRequest& r,
                 const ReplacementPairs& pairs, std::int64_t& changed) {
    try {
        // One matcher a thread: each keeps its own working state.
        const PairMatcher matchers[2] = {PairMatcher(pairs), PairMatcher(pairs)};
        // A range up to the last field of the widest record needs no search for its end.
        const FieldIndex last =
            !doc.StatsPending() && r.last.value >= doc.Stats().most_fields - 1 && r.last >= r.first
                ? kRestOfRecord
                : r.last;
        ProgressStepper progress(doc.Progress(), doc.ExpectedRecords());
        std::int64_t count = 0;
        TextReader reader = doc.Records();
        Line line;
        auto fill = [&](ReplaceBatch& b) {
            b.bytes.clear();
            b.ends.clear();
            while (b.bytes.size() < kBatchBytes && reader.Next(line)) {
                b.bytes.append(line.text);
                b.ends.push_back(static_cast<std::uint32_t>(b.bytes.size()));
            }
            return !b.ends.empty();
        };
        auto write = [&](const ReplaceBatch& b) {
            for (const Piece& piece : b.pieces) {
                std::uint32_t from = 0;
                for (std::size_t k = piece.from; k < piece.to; ++k) {
                    if (k == piece.too_long) {
                        doc.Message(kMsgLineTooLong);
                        return false;
                    }
                    const std::size_t at = k - piece.from;
                    if (piece.no_memory && at == piece.out_ends.size()) {
                        doc.Message(kMsgNoMemory);
                        return false;
                    }
                    const std::uint32_t end = piece.out_ends[at];
                    if (end == Piece::kSame) {
                        out.WriteRecord(b.Input(k));
                    } else {
                        const std::string_view to =
                            std::string_view(piece.out).substr(from, end - from);
                        // A pair may put back what it found.
                        if (to != b.Input(k)) ++changed;
                        out.WriteRecord(to);
                        from = end;
                    }
                    progress.Step(++count);
                }
            }
            return true;
        };
        // Takes the pieces of b no thread has taken yet.
        auto take = [&r, last](const PairMatcher& matcher, ReplaceBatch& b) {
            for (std::size_t k; (k = b.next_piece.fetch_add(1)) < b.pieces.size();)
                MatchPieceOf(matcher, r, last, b, b.pieces[k]);
        };
        ReplaceBatch batches[3];
        // Declared after what it uses: its end waits for the match under way.
        std::future<void> match;
        auto start = [&](ReplaceBatch& b) {
            const std::size_t n = b.ends.size();
            b.pieces.resize((n + kPieceRecords - 1) / kPieceRecords);
            for (std::size_t k = 0; k < b.pieces.size(); ++k) {
                b.pieces[k].from = k * kPieceRecords;
                b.pieces[k].to = std::min(n, (k + 1) * kPieceRecords);
            }
            b.next_piece = 0;
            // Matched here at the wait when no thread can be had.
            match = std::async(std::launch::async | std::launch::deferred,
                               [&take, &m = matchers[0], &b] { take(m, b); });
        };
        // Batch k is matched while k - 1 is written and k + 1 read.
        std::size_t k = 0;
        if (!fill(batches[0])) return true;
        start(batches[0]);
        for (;; ++k) {
            ReplaceBatch& now = batches[k % 3];
            ReplaceBatch& after = batches[(k + 1) % 3];
            if (k > 0 && !write(batches[(k + 2) % 3])) return false;
            const bool more = fill(after);
            take(matchers[1], now);
            match.get();
            if (!more) break;
            start(after);
        }
        if (!write(batches[k % 3])) return false;
        return true;
    } catch (const std::bad_alloc&) {
        doc.Message(kMsgNoMemory);
        return false;
    }
}

bool RunReplace(Document& doc, const ReplaceRequest& r, const ReplacementPairs& pairs) {
    if (!doc.IsOpen()) return false;
    return RunOperation(
        doc, CountingPass([&r, &pairs](Document& d, TextWriter& out, std::int64_t& changed) {
            return ReplacePass(d, out, r, pairs, changed);
        }));
}

bool RunReplace(Document& doc, const ReplaceRequest& r) {
    if (!doc.IsOpen()) return false;
    ReplacementPairs pairs;
    if (!ReportValidation(doc, ValidatePairs(r, doc.Messages(), &pairs))) return false;
    return RunReplace(doc, r, pairs);
}

}  // namespace tesmora
