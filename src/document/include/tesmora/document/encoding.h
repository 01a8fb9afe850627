#pragma once
// Files come in Shift-JIS (code page 932) or UTF-8. The engine works on code
// page 932 bytes only: a UTF-8 file is converted when it is read and again
// when it is written, through tables, never a call per character.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmora {

class File;

enum class Encoding { ShiftJis, Utf8, Utf8Bom };

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The name the status bar, the properties and the save dialog show.
const char* EncodingName(Encoding e);
// "shift-jis", "utf-8", "utf-8-bom" (the batch front end's words).
std::optional<Encoding> EncodingFromWord(std::string_view word);
const char* EncodingWord(Encoding e);
inline bool IsUtf8(Encoding e) {
    return e != Encoding::ShiftJis;
}

// The decision on the bytes of a file from its start: a BOM makes it UTF-8
// with BOM; otherwise it falls at the first non-ASCII byte, UTF-8 when the
// next 4 KiB are valid UTF-8 (a sequence cut by the window's end counts as
// valid), Shift-JIS when not. ASCII only is Shift-JIS (the same bytes).
// nullopt: the bytes end too soon to tell and more of the file follows.
std::optional<Encoding> DetectEncoding(std::string_view head, bool whole_file);
// The same over an open file from its start; reads as far as it must and
// leaves the file at the start of its text (after a BOM).
Encoding DetectEncoding(File& file);
// Positions file at the start of its text: after the BOM of a UTF-8 file
// that has one.
bool SkipBom(File& file);

// Code page 932 characters that UTF-8 files write in two forms (〜 U+301C and
// ～ U+FF5E for 0x8160, ¥ and \ for 0x5C ...): which form a file used, so
// that it is written back in that form.
class VariantForms {
  public:
    enum Form : std::uint8_t { kUnseen, kCommon, kOther };
    static constexpr int kSlots = 9;  // slot 0 unused
    Form Of(int slot) const { return forms_[slot]; }
    // Notes a form; false when the other form of that slot was noted before.
    bool Note(int slot, Form f) {
        if (forms_[slot] != kUnseen && forms_[slot] != f) return false;
        forms_[slot] = f;
        return true;
    }
    // Takes the other's forms; false (nothing changed) when they disagree.
    bool Merge(const VariantForms& other);
    bool operator==(const VariantForms&) const = default;

  private:
    std::array<Form, kSlots> forms_{};
};

// Why a conversion stopped: the message, the 1-based line and the character
// (UTF-8 text, or the bytes shown in hex) it stopped at.
struct EncodingFault {
    int message = 0;
    std::int64_t line = 0;
    std::string what;
    bool io = false;  // a read or write failed instead
    // "path\nLINE行目: WHAT\n", the prefix of its message.
    std::string Prefix(const std::string& path) const;
};

// Converts the UTF-8 text of in, from its current position (after any BOM)
// up to its end or a byte 0x1A, into code page 932 bytes written to out.
// Line breaks and every ASCII byte pass as they are. The forms used are
// noted in forms. False with fault set on a sequence that is not UTF-8, a
// character code page 932 does not hold, or both forms of one character.
// consumed gets the bytes of in read as text (its BOM not included).
// With limit >= 0, stops after about limit bytes of in (a preview).
bool ConvertUtf8ToCp932(File& in, File& out, VariantForms& forms, EncodingFault& fault,
                        std::int64_t* consumed = nullptr, std::int64_t limit = -1);
// The same, handing each converted chunk to take, on this thread and in
// order, while a second thread converts the next. take returns false to stop
// (fault.io is then set).
using ChunkSink = std::function<bool(std::string_view cp932)>;
bool ConvertUtf8Chunks(File& in, const ChunkSink& take, VariantForms& forms, EncodingFault& fault,
                       std::int64_t* consumed = nullptr, std::int64_t limit = -1);
// The same for a short text in memory (no BOM, and it too ends at 0x1A);
// nullopt with fault set.
std::optional<std::string> ConvertUtf8ToCp932(std::string_view utf8, VariantForms& forms,
                                              EncodingFault& fault);

// Opens path to be read as code page 932 text, whatever its encoding: a
// UTF-8 file is converted into a temporary file (the first limit bytes or
// so, when limit >= 0) that goes when file is closed. False with fault set;
// fault.message 0 when the file could not be opened, read or converted for
// want of a temporary file.
bool OpenAsCp932(const std::string& path, File& file, EncodingFault& fault,
                 std::int64_t limit = -1);

// Writes code page 932 text as UTF-8, in the forms given, to a File through a
// large buffer. A character without a Unicode form (a lone lead byte, an
// unassigned code) stops it: ok() turns false and nothing more is written.
class Utf8Writer {
  public:
    Utf8Writer(File& file, const VariantForms& forms, bool bom);
    ~Utf8Writer() { Flush(); }
    Utf8Writer(const Utf8Writer&) = delete;
    Utf8Writer& operator=(const Utf8Writer&) = delete;
    void WritePart(std::string_view cp932);
    // False when a write failed or a character had no UTF-8 form.
    bool Flush();
    bool unmapped() const { return unmapped_; }

  private:
    void Spill();
    File& file_;
    const std::uint32_t* table_ = nullptr;
    std::vector<std::uint32_t> patched_;  // the table with this file's forms
    bool yen_ = false;                    // 0x5C is written as ¥
    std::vector<char> buf_;
    std::size_t used_ = 0;
    int lead_ = -1;  // a lead byte whose trail is still to come
    bool unmapped_ = false;
    bool ok_ = true;
};

// The text as UTF-8 in the given (default: common) forms; nullopt when a
// character has no Unicode form.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932, const VariantForms& forms = {});

}  // namespace tesmora
