// The per-record edits against a split-and-join reference, and record and
// field length against what a cut and a pad must give.
#include "fuzz_support.h"
#include "tesmora/ops/csv_to_txt.h"
#include "tesmora/ops/field_edit.h"
#include "tesmora/ops/field_length.h"
#include "tesmora/ops/record_length.h"
#include "tesmora/ops/txt_to_csv.h"

using namespace tesmora;
using namespace tesmora::fuzz;

namespace {

// A field number from the input: mostly near the record's fields, now and
// then far outside them.
int Index(Input& in) {
    const std::uint8_t b = in.Byte();
    if (b == 0xFF) return 2147483647;
    if (b == 0xFE) return -2147483647 - 1;
    return static_cast<int>(b % 12) - 2;
}

std::string RefDelete(std::string_view record, int first, int last) {
    std::vector<std::string_view> f = NaiveSplit(record, ",");
    const int n = static_cast<int>(f.size());
    int s = std::min(first, last), e = std::max(first, last);
    if (e < 0) return std::string(record);
    s = std::max(s, 0);
    if (s >= n) return std::string(record);
    f.erase(f.begin() + s, f.begin() + std::min(e, n - 1) + 1);
    return Join(f, ",");
}

std::string RefPaste(std::string_view record, const FieldPasteRequest& p) {
    std::vector<std::string_view> f = NaiveSplit(record, ",");
    const long n = static_cast<long>(f.size());
    const long t = p.target.value, k = p.source.value;
    if (t < 0 || t >= n || (p.cut && k == t)) return std::string(record);
    const bool has_source = k >= 0 && k < n;
    const std::string_view src = has_source ? f[k] : std::string_view{};
    long at = t;
    if (p.cut && has_source) {
        f.erase(f.begin() + k);
        if (k < t) --at;
    }
    if (p.side == PasteSide::Over)
        f[at] = src;
    else
        f.insert(f.begin() + at + (p.side == PasteSide::Right ? 1 : 0), src);
    return Join(f, ",");
}

// Whether a cut before byte `cut` splits a double-byte character.
bool RefCuts(std::string_view t, std::size_t cut) {
    return cut > 0 && cut < t.size() && CharStart(t, cut) != cut;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int a = Index(in), b = Index(in);
    const std::uint8_t flags = in.Byte();
    const int length = 1 + in.Small(40);
    const char fill = static_cast<char>(in.Byte());
    const std::string_view record = in.Rest();
    std::string out;

    DeleteFieldRange(record, FieldIndex{a}, FieldIndex{b}, out);
    FUZZ_CHECK(out == RefDelete(record, a, b), record);

    const FieldPasteRequest paste{FieldIndex{a}, (flags & 1) != 0, FieldIndex{b},
                                  static_cast<PasteSide>(static_cast<int>(flags >> 1) % 3 - 1)};
    PasteFieldInRecord(record, paste, out);
    FUZZ_CHECK(out == RefPaste(record, paste), record);

    for (std::size_t cut = 0; cut <= record.size() + 1; ++cut)
        FUZZ_CHECK(CutsCharacter(record, cut) == RefCuts(record, cut), record);

    FitRecord(record, length, out);
    const std::size_t len = static_cast<std::size_t>(length);
    std::size_t keep = std::min(record.size(), len);
    if (RefCuts(record, keep)) --keep;
    FUZZ_CHECK(out == std::string(record.substr(0, keep)) + std::string(len - keep, ' '), record);

    const bool keep_end = (flags & 8) != 0;
    FitField(record, length, keep_end, fill, out);
    FUZZ_CHECK(out.size() == len, record);
    if (record.size() <= len) {
        const std::string pad(len - record.size(), fill);
        FUZZ_CHECK(out == (keep_end ? pad + std::string(record) : std::string(record) + pad),
                   record);
    } else if (!keep_end) {
        std::size_t k = len;
        if (RefCuts(record, k)) --k;
        FUZZ_CHECK(out == std::string(record.substr(0, k)) + std::string(len - k, fill), record);
    } else {
        std::size_t from = record.size() - len;
        if (RefCuts(record, from)) ++from;
        FUZZ_CHECK(out == std::string(len - (record.size() - from), fill) +
                              std::string(record.substr(from)),
                   record);
    }

    // The field span helper against the plain split.
    const std::vector<std::string_view> fields = NaiveSplit(record, ",");
    const auto span = FieldSpan(record, FieldIndex{a});
    FUZZ_CHECK(span.has_value() == (a >= 0 && a < static_cast<int>(fields.size())), record);
    if (span) FUZZ_CHECK(*span == fields[static_cast<std::size_t>(a)], record);

    // The conversions' pieces: a padded field is exactly as wide, and a
    // trimmed piece is a prefix that ends in no space.
    const std::string padded = PadField(record, length);
    FUZZ_CHECK(padded.size() == len, record);
    FUZZ_CHECK(padded.compare(0, std::min(len, record.size()), record.substr(0, len)) == 0, record);
    const std::string_view trimmed = TrimTrailingSpaces(record);
    FUZZ_CHECK(record.substr(0, trimmed.size()) == trimmed, record);
    // What was cut off is spaces only, and no whole full-width space is left.
    for (std::size_t i = trimmed.size(); i < record.size(); ++i)
        FUZZ_CHECK(record[i] == ' ' || record[i] == '\x81' || record[i] == '\x40', record);
    const std::size_t t = trimmed.size();
    FUZZ_CHECK(t < 2 || trimmed.substr(t - 2) != "\x81\x40" || CutsCharacter(trimmed, t - 2),
               record);
    return 0;
}
