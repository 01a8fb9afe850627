#pragma once
// Text streams over files, with the program's semantics: CR LF is read as a
// line break, a lone CR is data, a byte 0x1A ends the data, and every
// written record ends with CR LF. Reading and writing go through large
// buffers; records are views into the read buffer, valid until the next read.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tesmora {

class IndexBuilder;

// An open file with 64-bit positions; closes itself.
class File {
  public:
    File() = default;
    ~File() { Close(); }
    File(File&& o) noexcept
        : f_(o.f_),
          borrowed_(o.borrowed_),
          read_failed_(o.read_failed_),
          remove_on_close_(o.remove_on_close_),
          written_(o.written_),
          written_back_(o.written_back_),
          path_(std::move(o.path_)) {
        o.f_ = nullptr;
        o.remove_on_close_ = false;
    }
    File& operator=(File&& o) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // mode as for fopen, always binary ("rb", "r+b", "w+b", "wb"). A folder
    // is never opened: reading one would look like an empty file.
    bool Open(const std::string& path, const char* mode);
    // Whether path could be opened for reading. A FIFO is not opened to find
    // out: its writer would meet a reader that goes away at once.
    static bool CanOpen(const std::string& path);
    // Standard output in binary mode (never closed by us).
    bool OpenStdout();
    void Close();
    // A temporary file of ours that goes when it is closed.
    void RemoveOnClose() { remove_on_close_ = true; }
    // A new file that is to be kept: what is written goes on to the disk as
    // it comes, instead of all at once when it replaces a file of its name.
    void WriteBackAsWritten() { written_back_ = 0; }
    bool IsOpen() const { return f_ != nullptr; }
    std::FILE* get() const { return f_; }
    // The path it was opened with ("-" for standard output).
    const std::string& path() const { return path_; }
    // A regular file, which can be read more than once; false for a pipe,
    // a FIFO, a device or a socket.
    bool IsRegular() const;

    bool Seek(std::int64_t offset);
    bool SeekEnd();
    std::int64_t Tell() const;
    std::int64_t Size() const;
    // Reads up to n bytes at the current position.
    std::size_t Read(void* buf, std::size_t n);
    bool Write(const void* buf, std::size_t n);
    bool Flush();
    bool Truncate(std::int64_t size);
    // A read failed (not merely reached the end) since the last ClearReadError:
    // a reader that meets one ends as at the end of the data, so whoever reads
    // a whole pass asks here afterwards.
    bool ReadFailed() const { return read_failed_ || (f_ && std::ferror(f_)); }
    // A file that ended sooner than its size said (it shrank while read).
    void NoteShortRead() { read_failed_ = true; }
    void ClearReadError() {
        read_failed_ = false;
        if (f_) std::clearerr(f_);
    }

    // Renames from over to (same file system); false with both unchanged.
    static bool Rename(const std::string& from, const std::string& to);
    static bool Remove(const std::string& path);

  private:
    std::FILE* f_ = nullptr;
    bool borrowed_ = false;
    bool read_failed_ = false;
    bool remove_on_close_ = false;
    std::int64_t written_ = 0;  // bytes written since opened
    // How many of them were sent on to the disk; -1: left to the system.
    std::int64_t written_back_ = -1;
    std::string path_;
};

// Test seam for failures: every open, read, write, flush, truncate, rename and
// remove through File (and every copy in the kernel) is one numbered step;
// the step armed here fails as the system call would.
class FileFaults {
  public:
    // Step n (1-based, counted from now) fails; 0 fails none.
    static void Arm(std::int64_t n);
    // Steps counted since the last Arm.
    static std::int64_t Steps();
    // Writes handed to the system since the last Arm.
    static std::int64_t Writes();
    // Off: readers use their buffer instead of a mapping, so that their
    // reads are steps too.
    static void SetMapping(bool on);
};

// The path of the file a reader has mapped at addr, or nullptr; for a fault
// handler (async-signal-safe) that reports a file shrunk while it was read.
const char* MappedFileAt(const void* addr) noexcept;

// Told each block of data a reader takes from its file, in order.
using ReadTap = std::function<void(std::string_view block)>;

struct Line {
    std::string_view text;  // the record, line break removed
    std::int64_t physical;  // bytes it occupies in the file, break included
    bool has_break;         // ended by LF (or CR LF), not by the end of data
    bool truncated;         // longer than the reader holds; text is its start only
};

class TextReader {
  public:
    // Reads file from its current position; max_line bounds what one line
    // may hold in memory before it is reported truncated. Where the platform
    // allows, the file is mapped and records point straight into the page
    // cache; otherwise it is read through a buffer of the given size (small
    // enough to stay in the core's cache while its records are worked on).
    explicit TextReader(File& file, std::size_t buffer = std::size_t{1} << 18,
                        std::size_t max_line = std::size_t{64} << 20);
    ~TextReader();
    TextReader(TextReader&& o) noexcept;
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;
    TextReader& operator=(TextReader&&) = delete;

    bool Next(Line& line);
    // The rest of the data (up to 0x1A) as raw blocks, for straight copies:
    // each call returns the next block, empty at the end. Do not mix with Next.
    std::string_view NextBlock();
    // Every block read from now on goes to tap as well (to index the
    // records while a pass reads them).
    void SetTap(ReadTap tap) { tap_ = std::move(tap); }

  private:
    bool Fill();
    // Where the next LF at or after begin_ is, or nullptr.
    const char* FindBreak();
    File& file_;
    ReadTap tap_;
    // The LF bits of the 64 bytes from window_at_, while window_valid_ (those
    // before begin_ are records already taken).
    std::size_t window_at_ = 0;
    std::uint64_t window_bits_ = 0;
    bool window_valid_ = false;
    std::vector<char> buf_;
    const char* data_ = nullptr;  // buf_.data() or the mapping
    std::size_t begin_ = 0, end_ = 0;
    std::size_t max_line_;
    std::size_t window_;
    bool eof_ = false;
    bool skip_rest_ = false;
    std::int64_t unread_ = -1;  // bytes a regular file still holds, when read through buf_
    // Mapping: data_ covers mapped_size_ bytes of the file from the reader's start.
    void* map_base_ = nullptr;
    std::size_t map_length_ = 0;
    std::size_t mapped_size_ = 0;
    std::uintptr_t dropped_ = 0;
    void* map_slot_ = nullptr;  // where the mapping is noted for the fault handler
};

// Buffered writer of records, each followed by CR LF.
class TextWriter {
  public:
    explicit TextWriter(File& file, std::size_t buffer = std::size_t{1} << 20);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void WriteRecord(std::string_view record) {
        if (buf_.size() - used_ < record.size() + 2) Spill(record.size() + 2);
        if (record.size() + 2 > buf_.size()) {
            Direct(record);
            return;
        }
        std::memcpy(buf_.data() + used_, record.data(), record.size());
        used_ += record.size();
        buf_[used_++] = '\r';
        buf_[used_++] = '\n';
        Ended();
    }
    // Writes pieces that together form one record.
    void WritePart(std::string_view part) {
        if (part.empty()) return;  // it may point nowhere, which memcpy may not be told
        if (buf_.size() - used_ < part.size()) Spill(part.size());
        if (part.size() > buf_.size()) {
            PutLarge(part);
            return;
        }
        std::memcpy(buf_.data() + used_, part.data(), part.size());
        used_ += part.size();
    }
    void EndRecord() {
        WritePart("\r\n");
        Ended();
    }
    // Indexes what is written, so that it need not be read back.
    void SetIndex(IndexBuilder* index) { index_ = index; }
    // The longest record written so far, its line break included.
    std::int64_t LongestLine() const { return longest_; }
    // False when any write so far failed.
    bool Flush();
    bool ok() const { return ok_; }

  private:
    void Spill(std::size_t need);
    void Direct(std::string_view record);
    void PutLarge(std::string_view part);
    static constexpr std::size_t kTwoThreadPart = std::size_t{8} << 20;
    void Put(std::string_view bytes);
    File& file_;
    std::vector<char> buf_;
    std::size_t used_ = 0;
    std::int64_t handed_ = 0;  // bytes that left the buffer
    std::int64_t Written() const { return handed_ + static_cast<std::int64_t>(used_); }
    std::int64_t ended_ = 0;  // where the record being written began
    std::int64_t longest_ = 0;
    void Ended() {
        const std::int64_t at = Written();
        if (at - ended_ > longest_) longest_ = at - ended_;
        ended_ = at;
    }
    std::atomic<bool> ok_{true};
    IndexBuilder* index_ = nullptr;
    // From the second full buffer on, buffers are written (and indexed) on
    // another thread while the next one fills.
    class Background;
    std::unique_ptr<Background> background_;
    int spills_ = 0;
};

// Told the bytes copied so far, now and then during a long copy.
using CopyProgress = std::function<void(std::int64_t copied)>;
// Copies length bytes of in from offset to the end of out, in the kernel
// where the platform can, a large copy on both cores once other_core_busy
// (when given) is clear. False when in ends sooner.
bool CopyRange(File& in, std::int64_t offset, std::int64_t length, File& out,
               const CopyProgress& copied = {}, const std::atomic<bool>* other_core_busy = nullptr);
// Copies in from its current position up to its end (a stream until it
// closes), or at most max bytes when max >= 0, to the end of out.
bool CopyToEnd(File& in, File& out, std::int64_t max = -1, const CopyProgress& copied = {},
               const std::atomic<bool>* other_core_busy = nullptr);

// The status of the file at path as std::filesystem gives it, except that on
// Windows a device (NUL, CON) or /dev/stdin, which it reports missing, is a
// character file or a pipe of unknown permissions.
std::filesystem::file_status FileStatus(const std::string& path, std::error_code& ec);

// Reads the first n bytes of a file with text-stream semantics (CR LF as LF,
// 0x1A ends the data) and rewinds it.
std::string ReadTextPrefix(File& file, std::size_t n);

}  // namespace tesmora
