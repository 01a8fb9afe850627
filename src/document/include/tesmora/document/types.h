#pragma once
// Strong index types: record numbers, byte offsets, 0-based field indexes and
// 1-based field numbers are easy to mix up, so each gets its own type.
#include <compare>
#include <cstdint>
#include <limits>

namespace tesmora {

template <typename Tag, typename T>
struct StrongValue {
    T value{};
    constexpr StrongValue() = default;
    constexpr explicit StrongValue(T v) : value(v) {}
    constexpr auto operator<=>(const StrongValue&) const = default;
};

// 0-based record number inside the document (the user sees value + 1).
struct RecordIndexTag {};
using RecordIndex = StrongValue<RecordIndexTag, std::int64_t>;

// Byte position in a file.
struct ByteOffsetTag {};
using ByteOffset = StrongValue<ByteOffsetTag, std::int64_t>;

// 0-based field position, as the view and the field boxes show it.
struct FieldIndexTag {};
using FieldIndex = StrongValue<FieldIndexTag, int>;

// 1-based field number, as GetField counts.
struct FieldNumberTag {};
using FieldNumber = StrongValue<FieldNumberTag, int>;

// The ends of the range stay where they are: a field beyond the last is
// beyond it either way.
constexpr FieldNumber ToNumber(FieldIndex i) {
    return FieldNumber{i.value < std::numeric_limits<int>::max() ? i.value + 1 : i.value};
}

// Limits of a usable file.
inline constexpr int kMaxLineLength = 5000;  // record bytes + 2 for the line break
inline constexpr int kMaxRecordBytes = kMaxLineLength - 2;
inline constexpr int kMaxFields = 2000;

}  // namespace tesmora
