// The text helpers against naive references: the multibyte-aware search,
// GetField and SplitFields, RemoveSpaces, CountByte, CharStart.
#include <array>

#include "fuzz_support.h"

using namespace tesmora;
using namespace tesmora::fuzz;

namespace {

std::string NaiveRemoveSpaces(std::string_view t) {
    std::string out;
    for (std::size_t i = 0; i < t.size();) {
        const std::size_t n = CharLength(t, i);
        const std::string_view c = t.substr(i, n);
        if (c != " " && c != "\x81\x40") out.append(c);
        i += n;
    }
    // Dropping a full-width space may put two half-width... never: a space is
    // never a trail byte, so any left over is found by bytes.
    std::string rest;
    for (char ch : out)
        if (ch != ' ') rest.push_back(ch);
    return rest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::string sep(in.Take(1 + in.Small(3)));
    const std::string_view text = in.Rest();

    // Search from every character boundary.
    for (std::size_t from = 0; from <= text.size();
         from += from < text.size() ? CharLength(text, from) : 1)
        FUZZ_CHECK(FindText(text, sep, from) == NaiveFind(text, sep, from), text);

    const std::vector<std::string_view> fields = NaiveSplit(text, sep);
    const int count = static_cast<int>(fields.size());
    for (int n = 0; n <= count + 1; ++n) {
        const std::string_view got = GetField(text, FieldNumber{n}, sep);
        const std::string_view want = n >= 1 && n <= count ? fields[n - 1] : std::string_view{};
        FUZZ_CHECK(got == want, text);
    }
    FUZZ_CHECK(GetField(text, FieldNumber{2147483647}, sep).empty());
    std::array<std::string_view, 8> slots;
    const std::size_t stored = SplitFields(text, slots, sep);
    FUZZ_CHECK(stored == std::min<std::size_t>(fields.size(), slots.size()));
    for (std::size_t i = 0; i + 1 < stored; ++i) FUZZ_CHECK(slots[i] == fields[i]);

    FUZZ_CHECK(RemoveSpaces(text) == NaiveRemoveSpaces(text), text);

    const char c = sep[0];
    std::size_t naive = 0;
    for (char ch : text) naive += ch == c;
    FUZZ_CHECK(CountByte(text, c) == naive);
    FUZZ_CHECK(CountFields(text) == 1 + static_cast<int>(CountByte(text, ',')));

    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i >= start + CharLength(text, start)) start += CharLength(text, start);
        FUZZ_CHECK(CharStart(text, i) == start, text);
    }
    return 0;
}
