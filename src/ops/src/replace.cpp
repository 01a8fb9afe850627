// Multiple string replacement. The pass applies the pairs field by field in
// list order; a table of the before-strings' first two bytes finds the next
// pair that occurs in a field in one walk, so a field is rewritten only by
// the pairs that occur in it and is walked once more per pair that changed
// it. The result is exactly that of applying every pair in turn.
#include "tesmora/ops/replace.h"

#include <algorithm>
#include <climits>
#include <new>
#include <span>

#include "tesmora/document/codepage.h"
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

// Calls hit(i) for every i < n - 1 whose byte pair begins some before-string
// of two bytes or more (bits: one per pair value), in order, while hit
// returns true; false when a hit stopped the walk. Eight lookups go without
// a branch between them: hits are rare.
template <typename Hit>
bool ForEachPairHit(const std::array<std::uint64_t, 1024>& bits, std::string_view text, Hit hit) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    auto bit = [&](std::size_t i) {
        const unsigned key = static_cast<unsigned>(p[i]) << 8 | p[i + 1];
        return bits[key >> 6] >> (key & 63);
    };
    std::size_t i = 0;
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
    auto key_of = [](const std::string& b) {
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
    }
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

void PairMatcher::Occurring(std::string_view text, int from, std::vector<int>& found) const {
    found.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    // A pair is noted once per walk.
    if (++walk_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        walk_ = 1;
    }
    std::size_t at = 0;
    auto note = [&](int idx) {
        std::uint32_t& mark = seen_[static_cast<std::size_t>(idx)];
        if (mark != walk_) {
            mark = walk_;
            first_at_[static_cast<std::size_t>(idx)] = at;
            found.push_back(idx);
        }
    };
    // Every byte pair is looked up; the rare hit is kept only where FindText
    // would try it, at a character start (no serial walk over the text).
    auto try_at = [&](std::size_t i) {
        if (CutsCharacter(text, i)) return;
        at = i;
        const int one = single_[p[i]];
        if (one >= from) note(one);
        if (i + 1 >= n) return;
        const unsigned key = static_cast<unsigned>(p[i]) << 8 | p[i + 1];
        for (std::uint32_t k = bucket_start_[key]; k < bucket_start_[key + 1]; ++k) {
            const int idx = bucket_[k];
            if (idx < from) continue;
            const std::string& b = pairs_.before[static_cast<std::size_t>(idx)];
            if (b.size() <= n - i && std::memcmp(p + i, b.data(), b.size()) == 0) note(idx);
        }
    };
    ForEachPairHit(pair_bits_, text, [&](std::size_t i) {
        try_at(i);
        return true;
    });
    if (n > 0 && single_[p[n - 1]] >= from) try_at(n - 1);
    std::sort(found.begin(), found.end());
}

bool PairMatcher::ApplyToField(std::string_view field, bool only_one, std::string& out) const {
    std::vector<int>& found = found_;
    Occurring(field, 0, found);
    if (found.empty()) return false;
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
    if (!changed) return false;
    out.append(text);
    return true;
}

bool PairMatcher::MatchesAt(std::string_view text, std::size_t i) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    if (CutsCharacter(text, i)) return false;
    if (single_[p[i]] >= 0) return true;
    if (i + 1 >= text.size()) return false;
    const unsigned key = static_cast<unsigned>(p[i]) << 8 | p[i + 1];
    for (std::uint32_t k = bucket_start_[key]; k < bucket_start_[key + 1]; ++k) {
        const std::string& b = pairs_.before[bucket_[k]];
        if (b.size() <= text.size() - i && std::memcmp(p + i, b.data(), b.size()) == 0) return true;
    }
    return false;
}

std::size_t PairMatcher::FirstMatch(std::string_view text) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t found = npos;
    if (!ForEachPairHit(pair_bits_, text, [&](std::size_t i) {
            if (!MatchesAt(text, i)) return true;
            found = i;
            return false;
        }))
        return found;
    return n > 0 && single_[p[n - 1]] >= 0 && MatchesAt(text, n - 1) ? n - 1 : npos;
}

bool PairMatcher::Apply(std::string_view record, FieldIndex first, FieldIndex last, bool only_one,
                        std::string& out) const {
    if (first.value < 0) first = FieldIndex{0};
    const int to = last < first ? INT_MAX : last.value;
    // Most records hold no before-string at all: one look at the range decides,
    // and the fields before the first match need no walk of their own.
    const auto stretch = FieldSpan(record, first, last < first ? kRestOfRecord : last);
    if (!stretch) return false;
    const std::size_t hit = FirstMatch(*stretch);
    if (hit == npos) return false;
    const std::size_t first_hit = static_cast<std::size_t>(stretch->data() - record.data()) + hit;
    bool changed = false;
    std::size_t start = 0;   // of field j
    std::size_t copied = 0;  // record bytes already in out (once changed)
    std::string field_out;
    for (int j = 0;; ++j) {
        const std::size_t comma = record.find(',', start);
        const std::size_t stop = comma == npos ? record.size() : comma;
        if (j > to) break;
        if (j >= first.value && stop > first_hit) {
            field_out.clear();
            if (ApplyToField(record.substr(start, stop - start), only_one, field_out)) {
                if (!changed) {
                    out.clear();
                    changed = true;
                }
                out.append(record.substr(copied, start - copied));
                out.append(field_out);
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
    if (!file.Open(path, "rb")) return Refuse(kMsgOpenFailed);
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

bool ReplacePass(Document& doc, TextWriter& out, const ReplaceRequest& r,
                 const ReplacementPairs& pairs) {
    try {
        const PairMatcher matcher(pairs);
        // A range up to the last field of the widest record needs no search for its end.
        const FieldIndex last = r.last.value >= doc.Stats().most_fields - 1 && r.last >= r.first
                                    ? kRestOfRecord
                                    : r.last;
        ProgressStepper progress(doc.Progress(), doc.Stats().records);
        std::int64_t count = 0;
        std::string rewritten;
        TextReader reader = doc.Records();
        Line line;
        while (reader.Next(line)) {
            if (matcher.Apply(line.text, r.first, last, r.only_one, rewritten)) {
                if (rewritten.size() > static_cast<std::size_t>(kMaxRecordBytes)) {
                    doc.Message(kMsgLineTooLong);
                    return false;
                }
                out.WriteRecord(rewritten);
            } else {
                out.WriteRecord(line.text);
            }
            progress.Step(++count);
        }
        return true;
    } catch (const std::bad_alloc&) {
        doc.Message(kMsgNoMemory);
        return false;
    }
}

bool RunReplace(Document& doc, const ReplaceRequest& r, const ReplacementPairs& pairs) {
    if (!doc.IsOpen()) return false;
    return RunOperation(
        doc, [&r, &pairs](Document& d, TextWriter& out) { return ReplacePass(d, out, r, pairs); });
}

bool RunReplace(Document& doc, const ReplaceRequest& r) {
    if (!doc.IsOpen()) return false;
    ReplacementPairs pairs;
    if (!ReportValidation(doc, ValidatePairs(r, doc.Messages(), &pairs))) return false;
    return RunReplace(doc, r, pairs);
}

}  // namespace tesmora
