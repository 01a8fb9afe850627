#pragma once
// Multiple string replacement: up to 1,000 before/after pairs applied in list
// order inside a range of fields, and the replacement-set files (.cng) that
// keep them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tesmora/document/document.h"
#include "tesmora/document/types.h"
#include "tesmora/ops/request.h"

namespace tesmora {

inline constexpr int kMaxReplacePairs = 1000;

// The two lists as typed (or loaded): code page 932 bytes, one string a
// line, lines broken by LF or CR LF.
struct ReplaceRequest {
    FieldIndex first{0};   // "Field1": range start
    FieldIndex last{1};    // "Field2": range end (inclusive)
    bool only_one = true;  // "OnlyOne": a field stops at the first pair that changes it
    std::string before_list;
    std::string after_list;
    bool operator==(const ReplaceRequest&) const = default;
};

// The validated pairs, in the order they run.
struct ReplacementPairs {
    std::vector<std::string> before, after;
    std::size_t size() const { return before.size(); }
};

inline constexpr const char* kReplaceSection = "CharCng";

// Start keeps the range boxes and the check box before it validates.
ReplaceRequest LoadReplaceSettings(ISettingsStore& store);
void StoreReplaceSettings(ISettingsStore& store, const ReplaceRequest& r);

// Builds the pair list from the two lists. Refusals, in this order: 30008
// (an empty list), 30025 (more than 1,000 lines), 30031 (a comma in the
// after-list), 30026 (line counts differ), 30027 (an empty before-string),
// 30044 (a repeated before-string). When a later before-string contains an
// earlier one, 30045 is asked through questions; Yes exchanges the two pairs
// in the pair list (never in the lists) and the check goes on.
Validation ValidatePairs(const ReplaceRequest& r, IMessageSink& questions,
                         ReplacementPairs* pairs = nullptr);

// The pairs compiled for a pass: a table of the first two bytes of every
// before-string finds, in one walk over a field, every pair that occurs in
// it, so the pairs that do not occur cost nothing. Only those are applied,
// in list order; the field is walked again after a pair only when that
// pair's after-string could form a match of a later pair.
class PairMatcher {
  public:
    explicit PairMatcher(const ReplacementPairs& pairs);

    // The record with the pairs applied to the fields first..last (to the
    // end of the record when last lies beyond it or before first). Returns
    // false and leaves out alone when no field changes.
    bool Apply(std::string_view record, FieldIndex first, FieldIndex last, bool only_one,
               std::string& out) const;

    // The indexes >= from, ascending, of the pairs whose before-string occurs
    // in text at a character boundary.
    void Occurring(std::string_view text, int from, std::vector<int>& found) const;

    // The first two bytes of the before-strings as nibbles in eight buckets,
    // for a walk sixteen bytes at a time where the processor has byte shuffles.
    struct NibbleMasks {
        alignas(16) std::array<std::uint8_t, 16> lo0{}, hi0{}, lo1{}, hi1{};
        bool usable = false;
    };

  private:
    // Calls note(pair, at) for each match at a character start of a pair
    // >= from, in text order: table lookups over the byte pairs, the strings
    // compared only at hits.
    template <typename Note>
    void EachMatch(std::string_view text, int from, Note note) const;
    // A new walk's list of occurring pairs, and a pair noted in it where it
    // first occurs (first_at_).
    void StartNoting(std::vector<int>& found) const;
    void NoteFirst(int pair, std::size_t at, std::vector<int>& found) const;
    // Rewrites a field whose occurring pairs are in found_ and first_at_; the
    // result lives until the next call, nullopt when nothing changed.
    std::optional<std::string_view> ApplyToField(std::string_view field, bool only_one) const;

    ReplacementPairs pairs_;
    std::array<std::int16_t, 256> single_{};       // one-byte before-strings
    std::array<std::uint64_t, 1024> pair_bits_{};  // first two bytes seen
    NibbleMasks nibbles_;
    // Keys of the before-strings shorter than four bytes, and the third and
    // fourth bytes of the others: most hits of a key end there.
    std::array<std::uint64_t, 1024> short_bits_{};
    std::array<std::uint64_t, 1024> tail_bits_{};
    std::vector<std::uint32_t> bucket_start_;  // by the first two bytes
    std::vector<std::uint16_t> bucket_;        // pair indexes, ascending
    // Pair i's replacements can form no match of a later pair: later pairs
    // need no new walk after it.
    std::vector<bool> inert_;
    std::vector<bool> closed_;  // the before-string ends on a whole character
    // Reused for every field.
    mutable std::vector<int> found_;
    mutable std::vector<std::uint32_t> seen_;  // the walk that last noted each pair
    mutable std::uint32_t walk_ = 0;
    mutable std::vector<std::size_t> first_at_;  // where the walk first saw each pair
    struct Hit {
        std::uint32_t at;  // in the walked range
        std::uint32_t pair;
    };
    mutable std::vector<Hit> hits_;  // of one record's walk, in text order
    mutable std::string current_, next_;
};

// One record: pairs in list order, each replacing every occurrence left to
// right without overlaps, matches starting only at a character boundary;
// text a pair inserted is not searched by that pair again, later pairs see
// it. Fields outside first..last and the commas are kept.
std::string ReplaceInRecord(std::string_view record, const ReplacementPairs& pairs,
                            FieldIndex first, FieldIndex last, bool only_one);

// A .cng file: one pair a line, before-string, byte 0x14, after-string, CR
// LF. Loading gives the two lists' texts, each line ended by CR LF; lines
// without 0x14 are skipped, and the after-string keeps any later 0x14.
// 30028 when the name does not end in ".cng" (any case), 30003 when the
// file cannot be opened; the lists are then left alone.
Validation LoadReplacementSet(const std::string& path, std::string& before_list,
                              std::string& after_list);
// 30039 (prefix: the path and a line break) when the file cannot be written.
Validation SaveReplacementSet(const std::string& path, const ReplacementPairs& pairs);

// A refusal shown through the document, its prefix included. changed counts
// the records that came out different.
bool ReplacePass(Document& doc, TextWriter& out, const ReplaceRequest& r,
                 const ReplacementPairs& pairs, std::int64_t& changed);

// The validation (questions asked and refusals shown through the document),
// then the pass. True when committed.
bool RunReplace(Document& doc, const ReplaceRequest& r);
// The same with a pair list already validated (the dialog validates first to
// place the focus, and must not ask the order question twice).
bool RunReplace(Document& doc, const ReplaceRequest& r, const ReplacementPairs& pairs);

}  // namespace tesmora
