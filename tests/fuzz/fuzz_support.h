#pragma once
// Shared by the fuzz targets: a scratch folder and the reference helpers the
// engine's results are compared with.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tesmora/document/text.h"

namespace tesmora::fuzz {

// Stops the run with a message libFuzzer reports as a crash.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "fuzz check failed: %s [%.*s]\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}
#define FUZZ_CHECK(cond, ...)                                     \
    do {                                                          \
        if (!(cond)) ::tesmora::fuzz::Fail(#cond, ##__VA_ARGS__); \
    } while (0)

// A folder of our own in memory where the system has one; also the
// temporary folder of the documents made here.
std::string ScratchFolder();

// Reads the input as a sequence of small numbers and a rest.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size)
        : s_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t Byte() {
        if (s_.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(s_[0]);
        s_.remove_prefix(1);
        return b;
    }
    int Small(int range) { return range > 0 ? Byte() % range : 0; }
    std::string_view Take(std::size_t n) {
        n = std::min(n, s_.size());
        std::string_view t = s_.substr(0, n);
        s_.remove_prefix(n);
        return t;
    }
    std::string_view Rest() const { return s_; }

  private:
    std::string_view s_;
};

// Naive search: every character boundary from `from` in turn.
inline std::size_t NaiveFind(std::string_view hay, std::string_view needle, std::size_t from) {
    if (needle.empty() || from > hay.size()) return npos;
    for (std::size_t i = from; i + needle.size() <= hay.size(); i += CharLength(hay, i))
        if (hay.compare(i, needle.size(), needle) == 0) return i;
    return npos;
}

// Splits at every separator found by the naive search.
inline std::vector<std::string_view> NaiveSplit(std::string_view record, std::string_view sep) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = NaiveFind(record, sep, start);
        if (p == npos) {
            fields.push_back(record.substr(start));
            return fields;
        }
        fields.push_back(record.substr(start, p - start));
        start = p + sep.size();
    }
}

inline std::string Join(const std::vector<std::string_view>& fields, std::string_view sep) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out.append(sep);
        out.append(fields[i]);
    }
    return out;
}

}  // namespace tesmora::fuzz
