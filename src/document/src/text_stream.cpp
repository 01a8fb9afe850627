#include "tesmora/document/text_stream.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "byte_masks.h"
#include "tesmora/document/paths.h"
#include "tesmora/document/record_index.h"
#include "tesmora/document/temp_files.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#define TES_FSEEK _fseeki64
#define TES_FTELL _ftelli64
#include <sys/stat.h>
#else
#include <sys/mman.h>
#include <sys/stat.h>
#ifdef __linux__
#include <fcntl.h>
#include <sys/sendfile.h>
#endif
#include <unistd.h>
#define TES_FSEEK fseeko
#define TES_FTELL ftello
#endif

namespace tesmora {
namespace {

std::atomic<std::int64_t> g_steps{0}, g_fail_at{0}, g_writes{0};
// Reading through a buffer the cache holds outruns walking a mapping page by
// page; the mapping stays for the tests of its fault handler.
std::atomic<bool> g_mapping{false};

// One step of the failure seam: false when it is the armed one.
bool Step() {
    return g_steps.fetch_add(1, std::memory_order_relaxed) + 1 !=
           g_fail_at.load(std::memory_order_relaxed);
}

// The mappings readers hold, for the fault handler to name the file.
constexpr int kMapSlots = 8;
struct MapSlot {
    std::atomic<int> state{0};  // 0 free, 1 being changed, 2 in use
    std::uintptr_t begin = 0, end = 0;
    char path[4096];
};
MapSlot g_maps[kMapSlots];

[[maybe_unused]] MapSlot* NoteMapping(const void* base, std::size_t length,
                                      const std::string& path) {
    for (MapSlot& m : g_maps) {
        int expected = 0;
        if (!m.state.compare_exchange_strong(expected, 1)) continue;
        m.begin = reinterpret_cast<std::uintptr_t>(base);
        m.end = m.begin + length;
        const std::size_t n = std::min(path.size(), sizeof m.path - 1);
        std::memcpy(m.path, path.data(), n);
        m.path[n] = '\0';
        m.state.store(2);
        return &m;
    }
    return nullptr;
}

#ifdef _WIN32
// msvcrt's fopen ignores "x", and no CRT shares deletion; CreateFileW does both,
// so that our open files may be deleted or renamed as on POSIX. There is no
// /dev/stdin: that name reads our standard input.
std::FILE* OpenWindows(const std::string& path, const char* mode) {
    const bool plus = std::strchr(mode, '+') != nullptr;
    if (path == "/dev/stdin") {
        if (mode[0] != 'r' || plus) return nullptr;
        const int fd = _dup(_fileno(stdin));
        if (fd < 0) return nullptr;
        _setmode(fd, _O_BINARY);
        std::FILE* f = _fdopen(fd, "rb");
        if (!f) _close(fd);
        return f;
    }
    DWORD access = 0, disposition = 0;
    int flags = _O_BINARY;
    switch (mode[0]) {
        case 'r':
            access = GENERIC_READ | (plus ? GENERIC_WRITE : 0);
            disposition = OPEN_EXISTING;
            flags |= plus ? _O_RDWR : _O_RDONLY;
            break;
        case 'w':
            access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
            disposition = std::strchr(mode, 'x') ? CREATE_NEW : CREATE_ALWAYS;
            flags |= plus ? _O_RDWR : _O_WRONLY;
            break;
        default:
            errno = EINVAL;
            return nullptr;
    }
    const std::wstring wide = ToPath(path).wstring();
    HANDLE h =
        CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
                : error == ERROR_FILE_EXISTS                                   ? EEXIST
                                                                               : EACCES;
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    const char* crt_mode = mode[0] == 'r' ? (plus ? "r+b" : "rb") : (plus ? "w+b" : "wb");
    std::FILE* f = _fdopen(fd, crt_mode);
    if (!f) _close(fd);
    return f;
}
#endif

}  // namespace

void FileFaults::Arm(std::int64_t n) {
    g_fail_at = n;
    g_steps = 0;
    g_writes = 0;
}
std::int64_t FileFaults::Steps() {
    return g_steps;
}
std::int64_t FileFaults::Writes() {
    return g_writes;
}
void FileFaults::SetMapping(bool on) {
    g_mapping = on;
}

const char* MappedFileAt(const void* addr) noexcept {
    const auto a = reinterpret_cast<std::uintptr_t>(addr);
    for (MapSlot& m : g_maps)
        if (m.state.load() == 2 && a >= m.begin && a < m.end) return m.path;
    return nullptr;
}

File& File::operator=(File&& o) noexcept {
    if (this != &o) {
        Close();
        f_ = o.f_;
        borrowed_ = o.borrowed_;
        read_failed_ = o.read_failed_;
        remove_on_close_ = o.remove_on_close_;
        written_ = o.written_;
        written_back_ = o.written_back_;
        path_ = std::move(o.path_);
        o.f_ = nullptr;
        o.remove_on_close_ = false;
    }
    return *this;
}

bool File::Open(const std::string& path, const char* mode) {
    Close();
    if (!Step()) return false;
    path_ = path;
#ifdef _WIN32
    f_ = OpenWindows(path, mode);
#else
    f_ = std::fopen(path.c_str(), mode);
#endif
    if (f_ && !IsRegular()) {
#ifdef _WIN32
        struct _stat64 st;
        const bool folder = _fstat64(_fileno(f_), &st) == 0 && (st.st_mode & _S_IFDIR);
#else
        struct stat st;
        const bool folder = fstat(fileno(f_), &st) == 0 && S_ISDIR(st.st_mode);
#endif
        if (folder) {
            std::fclose(f_);
            f_ = nullptr;
            errno = EISDIR;
        }
    }
    // Our own buffers are large; stdio's would only add a copy.
    if (f_) std::setvbuf(f_, nullptr, _IONBF, 0);
    return f_ != nullptr;
}

bool File::CanOpen(const std::string& path) {
#ifndef _WIN32
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode))
        return access(path.c_str(), R_OK) == 0;
#endif
    File probe;
    return probe.Open(path, "rb");
}

bool File::IsRegular() const {
    if (!f_) return false;
#ifdef _WIN32
    struct _stat64 st;
    return _fstat64(_fileno(f_), &st) == 0 && (st.st_mode & _S_IFREG);
#else
    struct stat st;
    return fstat(fileno(f_), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

bool File::OpenStdout() {
    Close();
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    f_ = stdout;
    borrowed_ = true;
    path_.assign(1, '-');
    return true;
}

void File::Close() {
    if (f_ && !borrowed_) std::fclose(f_);
    if (f_ && borrowed_) std::fflush(f_);
    if (f_ && remove_on_close_) RemoveTemp(path_);
    f_ = nullptr;
    borrowed_ = false;
    read_failed_ = false;
    remove_on_close_ = false;
    written_ = 0;
    written_back_ = -1;
}

bool File::Seek(std::int64_t offset) {
    return f_ && TES_FSEEK(f_, offset, SEEK_SET) == 0;
}
bool File::SeekEnd() {
    return f_ && TES_FSEEK(f_, 0, SEEK_END) == 0;
}
std::int64_t File::Tell() const {
    return f_ ? TES_FTELL(f_) : -1;
}

std::int64_t File::Size() const {
    if (!f_) return -1;
    std::int64_t here = TES_FTELL(f_);
    TES_FSEEK(f_, 0, SEEK_END);
    std::int64_t size = TES_FTELL(f_);
    TES_FSEEK(f_, here, SEEK_SET);
    return size;
}

std::size_t File::Read(void* buf, std::size_t n) {
    if (!f_) return 0;
    if (!Step()) {
        read_failed_ = true;
        return 0;
    }
    return std::fread(buf, 1, n, f_);
}

bool File::Write(const void* buf, std::size_t n) {
    if (!f_) return false;
    if (n == 0) return true;
    g_writes.fetch_add(1, std::memory_order_relaxed);
    if (!Step() || std::fwrite(buf, 1, n, f_) != n) return false;
    written_ += static_cast<std::int64_t>(n);
#ifdef __linux__
    // Started here a piece at a time, on the writer's thread; ext4 otherwise
    // writes the whole file out inside the rename that replaces an old one.
    constexpr std::int64_t kWriteBackPiece = std::int64_t{8} << 20;
    if (written_back_ >= 0 && written_ - written_back_ >= kWriteBackPiece) {
        sync_file_range(fileno(f_), written_back_, 0, SYNC_FILE_RANGE_WRITE);
        written_back_ = written_;
    }
#endif
    return true;
}

bool File::Flush() {
    return f_ && Step() && std::fflush(f_) == 0;
}

bool File::Truncate(std::int64_t size) {
    if (!f_ || !Step()) return false;
    std::fflush(f_);
#ifdef _WIN32
    return _chsize_s(_fileno(f_), size) == 0;
#else
    return ftruncate(fileno(f_), size) == 0;
#endif
}

bool File::Rename(const std::string& from, const std::string& to) {
    if (!Step()) return false;
#ifdef _WIN32
    // Replaces an existing target like rename(2); no copy across volumes, so
    // that a replace stays whole or does not happen. A target someone holds
    // open fails, and is left as it was.
    return MoveFileExW(ToPath(from).c_str(), ToPath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    std::error_code ec;
    std::filesystem::rename(ToPath(from), ToPath(to), ec);
    return !ec;
#endif
}

bool File::Remove(const std::string& path) {
    if (!Step()) return false;
    std::error_code ec;
    std::filesystem::remove(ToPath(path), ec);
    return !ec;  // one already gone is removed too
}

TextReader::TextReader(File& file, std::size_t buffer, std::size_t max_line)
    : file_(file), max_line_(std::max(max_line, buffer)), window_(buffer) {
#ifndef _WIN32
    const std::int64_t start = file.Tell();
    const std::int64_t size = file.Size();
    if (start >= 0 && size > start && file.get() && g_mapping.load(std::memory_order_relaxed)) {
        const std::int64_t page = sysconf(_SC_PAGESIZE);
        const std::int64_t aligned = start - start % page;
        const std::size_t length = static_cast<std::size_t>(size - aligned);
        void* base = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fileno(file.get()),
                          static_cast<off_t>(aligned));
        if (base != MAP_FAILED) {
            madvise(base, length, MADV_SEQUENTIAL);
            map_base_ = base;
            map_length_ = length;
            map_slot_ = NoteMapping(base, length, file.path());
            data_ = static_cast<const char*>(base) + (start - aligned);
            mapped_size_ = static_cast<std::size_t>(size - start);
            return;
        }
    }
#endif
    buf_.resize(buffer);
    data_ = buf_.data();
    if (file.IsRegular()) {
        const std::int64_t start = file.Tell(), size = file.Size();
        if (start >= 0 && size >= start) unread_ = size - start;
    }
}

TextReader::~TextReader() {
#ifndef _WIN32
    if (map_base_) munmap(map_base_, map_length_);
#endif
    if (map_slot_) static_cast<MapSlot*>(map_slot_)->state.store(0);
}

TextReader::TextReader(TextReader&& o) noexcept
    : file_(o.file_),
      tap_(std::move(o.tap_)),
      buf_(std::move(o.buf_)),
      data_(o.map_base_ ? o.data_ : buf_.data()),
      begin_(o.begin_),
      end_(o.end_),
      max_line_(o.max_line_),
      window_(o.window_),
      eof_(o.eof_),
      skip_rest_(o.skip_rest_),
      unread_(o.unread_),
      map_base_(o.map_base_),
      map_length_(o.map_length_),
      mapped_size_(o.mapped_size_),
      dropped_(o.dropped_),
      map_slot_(o.map_slot_) {
    o.map_base_ = nullptr;
    o.map_slot_ = nullptr;
}

bool TextReader::Fill() {
    window_valid_ = false;  // the bytes move or the window grows
    if (eof_) return false;
    std::size_t got;
    if (map_base_) {
        // The mapping is contiguous: just widen the window, and let go of
        // the pages already read so that memory stays flat however large
        // the file (they come back from the page cache if touched again).
#ifndef _WIN32
        const auto head = reinterpret_cast<std::uintptr_t>(map_base_);
        const auto done = reinterpret_cast<std::uintptr_t>(data_ + begin_);
        const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const std::uintptr_t drop = (done - head) / page * page;
        if (drop > dropped_ && drop - dropped_ >= (std::uintptr_t{8} << 20)) {
            madvise(map_base_, drop, MADV_DONTNEED);
            dropped_ = drop;
        }
#endif
        got = std::min(window_, mapped_size_ - end_);
        if (got == 0) {
            eof_ = true;
            return false;
        }
    } else {
        if (begin_ > 0) {
            std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        if (end_ == buf_.size()) {
            if (buf_.size() >= max_line_) return false;
            buf_.resize(std::min(buf_.size() * 2, max_line_));
            data_ = buf_.data();
        }
        got = file_.Read(buf_.data() + end_, buf_.size() - end_);
        if (unread_ >= 0) {
            // Short of what its size said: as the mapping's fault would, it
            // counts as a failed read, never as the end of the records.
            if (got == 0 && unread_ > 0) file_.NoteShortRead();
            unread_ -= std::min(unread_, static_cast<std::int64_t>(got));
        }
        if (got == 0) {
            eof_ = true;
            return false;
        }
    }
    // A byte 0x1A ends the data.
    if (const void* eod = std::memchr(data_ + end_, 0x1A, got)) {
        got = static_cast<std::size_t>(static_cast<const char*>(eod) - (data_ + end_));
        eof_ = true;
    }
    if (tap_) tap_(std::string_view(data_ + end_, got));
    end_ += got;
    return true;
}

// Records are short: one 64-byte mask serves several of them, where a search
// call each would cost more than the record.
const char* TextReader::FindBreak() {
#if TES_SSE2
    const __m128i lf = _mm_set1_epi8('\n');
    if (!window_valid_ || begin_ < window_at_ || begin_ >= window_at_ + 64) {
        if (end_ - begin_ < 64) {
            window_valid_ = false;
            return static_cast<const char*>(std::memchr(data_ + begin_, '\n', end_ - begin_));
        }
        window_at_ = begin_;
        window_bits_ = masks::Mask64(data_ + window_at_, lf);
        window_valid_ = true;
    }
    for (;;) {
        // The record may have begun in an earlier window.
        const std::size_t skip = begin_ > window_at_ ? begin_ - window_at_ : 0;
        const std::uint64_t ahead = window_bits_ & (~std::uint64_t{0} << skip);
        if (ahead) return data_ + window_at_ + static_cast<std::size_t>(std::countr_zero(ahead));
        if (window_at_ + 128 > end_) {
            window_valid_ = false;
            const std::size_t from = window_at_ + 64;
            return static_cast<const char*>(std::memchr(data_ + from, '\n', end_ - from));
        }
        window_at_ += 64;
        window_bits_ = masks::Mask64(data_ + window_at_, lf);
    }
#else
    return static_cast<const char*>(std::memchr(data_ + begin_, '\n', end_ - begin_));
#endif
}

bool TextReader::Next(Line& line) {
    for (;;) {
        const char* lf = FindBreak();
        if (lf) {
            std::size_t p = static_cast<std::size_t>(static_cast<const char*>(lf) - data_);
            std::size_t len = p - begin_;
            if (skip_rest_) {
                skip_rest_ = false;
                begin_ = p + 1;
                continue;
            }
            line.physical = static_cast<std::int64_t>(len + 1);
            if (len > 0 && data_[p - 1] == '\r') --len;
            line.text = std::string_view(data_ + begin_, len);
            line.has_break = true;
            line.truncated = false;
            begin_ = p + 1;
            return true;
        }
        const std::size_t held = end_ - begin_;
        if (skip_rest_) {
            begin_ = end_;
            if (!map_base_) begin_ = end_ = 0;
            if (!Fill()) return false;
            continue;
        }
        if (held < max_line_ && Fill()) continue;
        if (!eof_ && held >= std::min(max_line_, map_base_ ? max_line_ : buf_.size())) {
            // A line longer than we hold: report its start, drop the rest.
            line.text = std::string_view(data_ + begin_, held);
            line.physical = static_cast<std::int64_t>(held);
            line.has_break = false;
            line.truncated = true;
            begin_ = end_;
            skip_rest_ = true;
            return true;
        }
        if (begin_ == end_) return false;
        line.text = std::string_view(data_ + begin_, end_ - begin_);
        line.physical = static_cast<std::int64_t>(end_ - begin_);
        line.has_break = false;
        line.truncated = false;
        begin_ = end_;
        return true;
    }
}

std::string_view TextReader::NextBlock() {
    if (begin_ == end_) {
        if (!map_base_) begin_ = end_ = 0;
        if (!Fill()) return {};
    }
    std::string_view block(data_ + begin_, end_ - begin_);
    begin_ = end_;
    return block;
}

class TextWriter::Background {
  public:
    Background(TextWriter& writer, std::size_t size)
        : writer_(writer), held_(size), thread_([this] { Run(); }) {}
    ~Background() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    // Takes the filled buffer, gives back an empty one.
    void Hand(std::vector<char>& filled, std::size_t used) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        filled.swap(held_);
        held_used_ = used;
        busy_ = true;
        lock.unlock();
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
    }

  private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return busy_ || quit_; });
            if (!busy_) return;
            lock.unlock();
            writer_.Put(std::string_view(held_.data(), held_used_));
            lock.lock();
            busy_ = false;
            changed_.notify_all();
        }
    }
    TextWriter& writer_;
    std::vector<char> held_;
    std::size_t held_used_ = 0;
    bool busy_ = false, quit_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

TextWriter::TextWriter(File& file, std::size_t buffer) : file_(file), buf_(buffer) {}

TextWriter::~TextWriter() {
    Flush();
}

// The index sees the bytes as they go to the file, a buffer at a time:
// it scans large blocks far faster than record-sized pieces.
void TextWriter::Put(std::string_view bytes) {
    if (index_) index_->Feed(bytes);
    if (!file_.Write(bytes.data(), bytes.size())) ok_ = false;
}

void TextWriter::Spill(std::size_t) {
    if (used_ == 0) return;
    // A small output stays on this thread: one buffer, nothing to overlap.
    if (!background_ && ++spills_ > 1)
        background_ = std::make_unique<Background>(*this, buf_.size());
    if (background_)
        background_->Hand(buf_, used_);
    else
        Put(std::string_view(buf_.data(), used_));
    handed_ += static_cast<std::int64_t>(used_);
    used_ = 0;
}

void TextWriter::Direct(std::string_view record) {
    if (background_) background_->Wait();
    Put(record);
    Put("\r\n");
    handed_ += static_cast<std::int64_t>(record.size()) + 2;
    Ended();
}

void TextWriter::PutLarge(std::string_view part) {
    if (background_) background_->Wait();
    if (index_ && part.size() >= kTwoThreadPart) {
        // The file takes the bytes on another core while the index reads them here.
        bool written = true;
        std::thread writer([&] {
            constexpr std::size_t kSlice = std::size_t{1} << 20;
            for (std::size_t at = 0; written && at < part.size(); at += kSlice)
                written = file_.Write(part.data() + at, std::min(kSlice, part.size() - at));
        });
        index_->Feed(part);
        writer.join();
        if (!written) ok_ = false;
    } else {
        Put(part);
    }
    handed_ += static_cast<std::int64_t>(part.size());
}

bool TextWriter::Flush() {
    Spill(0);
    if (background_) background_->Wait();
    if (!file_.Flush()) ok_ = false;
    return ok_;
}

namespace {

#ifdef __linux__
// Pieces small enough for the progress to move and the work to stop.
constexpr std::int64_t kCopyPiece = std::int64_t{16} << 20;

// Copies in the kernel from in_off to out_off, length bytes, in pieces; after
// each, copied says whether to go on. The bytes copied.
std::int64_t KernelCopy(int in_fd, std::int64_t in_off, int out_fd, std::int64_t out_off,
                        std::int64_t length, const std::function<bool(std::int64_t)>& copied) {
    off_t from = static_cast<off_t>(in_off), to = static_cast<off_t>(out_off);
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t n = copy_file_range(
            in_fd, &from, out_fd, &to,
            static_cast<std::size_t>(std::min<std::int64_t>(length - done, kCopyPiece)), 0);
        if (n <= 0) break;
        done += n;
        if (!copied(n)) break;
    }
    return done;
}

// Large copies are worth both cores: the kernel copies into new pages of the
// cache, and one core does not keep up with that (2.9 GB: 1.1-2.7 s on one,
// 0.9-1.4 s on two).
constexpr std::int64_t kTwoThreadCopy = std::int64_t{64} << 20;
#endif

// Copies length bytes of in from offset to out's position through our memory,
// or on Linux first with sendfile.
bool CopyThrough(File& in, std::int64_t offset, std::int64_t length, File& out,
                 const std::function<void(std::int64_t)>& copied) {
#ifdef __linux__
    if (!out.Flush()) return false;
    off_t in_off = static_cast<off_t>(offset);
    while (length > 0) {
        const ssize_t n =
            sendfile(fileno(out.get()), fileno(in.get()), &in_off,
                     static_cast<std::size_t>(std::min<std::int64_t>(length, kCopyPiece)));
        if (n <= 0) break;
        length -= n;
        copied(n);
    }
    if (length == 0) return true;
    offset = in_off;
#endif
    std::vector<char> buf(std::size_t{1} << 20);
    if (!in.Seek(offset)) return false;
    while (length > 0) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(length, static_cast<std::int64_t>(buf.size())));
        const std::size_t got = in.Read(buf.data(), want);
        if (got == 0 || !out.Write(buf.data(), got)) return false;
        length -= static_cast<std::int64_t>(got);
        copied(static_cast<std::int64_t>(got));
    }
    return out.Flush();
}

}  // namespace

bool CopyRange(File& in, std::int64_t offset, std::int64_t length, File& out,
               const CopyProgress& copied, const std::atomic<bool>* other_core_busy) {
    if (!in.IsOpen() || !out.IsOpen() || !out.Flush()) return false;
    std::int64_t done = 0;
    auto count = [&](std::int64_t n) {
        done += n;
        if (copied) copied(done);
    };
#ifdef __linux__
    // The copy in the kernel counts as one write.
    g_writes.fetch_add(1, std::memory_order_relaxed);
    if (!Step()) return false;
    // A pipe takes the bytes at its end: no offsets, one stream.
    const std::int64_t out_at = out.IsRegular() ? out.Tell() : -1;
    if (out_at < 0) return CopyThrough(in, offset, length, out, count);
    // In the kernel, without copying through our memory, from the front; as
    // soon as the other core is free, a helper takes the second half of what
    // is left.
    const int in_fd = fileno(in.get()), out_fd = fileno(out.get());
    std::int64_t front = 0, front_end = length, later_from = length;
    std::atomic<std::int64_t> later{0};
    std::atomic<bool> stop{false};
    {
        std::jthread helper;
        bool split = false;
        try {
            while (front < front_end) {
                if (!split && front_end - front >= kTwoThreadCopy &&
                    !(other_core_busy && other_core_busy->load())) {
                    split = true;
                    const std::int64_t from = front + (front_end - front) / 2;
                    try {
                        helper = std::jthread([&, from] {
                            KernelCopy(in_fd, offset + from, out_fd, out_at + from, length - from,
                                       [&](std::int64_t n) {
                                           later.fetch_add(n);
                                           return !stop.load();
                                       });
                        });
                        later_from = front_end = from;
                    } catch (const std::system_error&) {
                        // No thread to be had: this one copies it all.
                    }
                }
                const std::int64_t n = KernelCopy(in_fd, offset + front, out_fd, out_at + front,
                                                  std::min(front_end - front, kCopyPiece),
                                                  [](std::int64_t) { return true; });
                if (n == 0) break;
                front += n;
                if (copied) copied(front + later.load());
            }
        } catch (...) {
            stop = true;  // the helper stops before the work is abandoned
            throw;
        }
    }
    done = front + later.load();
    if (copied && later_from < length) copied(done);
    // What the kernel did not copy (another file system, an older system) is
    // copied the other way, each gap from where it begins.
    const std::int64_t second = later_from + later.load();
    if (second < length && (!out.Seek(out_at + second) ||
                            !CopyThrough(in, offset + second, length - second, out, count)))
        return false;
    if (front < front_end && (!out.Seek(out_at + front) ||
                              !CopyThrough(in, offset + front, front_end - front, out, count)))
        return false;
    return out.Seek(out_at + length);
#else
    (void)other_core_busy;
    return CopyThrough(in, offset, length, out, count);
#endif
}

bool CopyToEnd(File& in, File& out, std::int64_t max, const CopyProgress& copied,
               const std::atomic<bool>* other_core_busy) {
    if (!in.IsOpen() || !out.IsOpen()) return false;
    if (in.IsRegular()) {
        const std::int64_t from = in.Tell();
        std::int64_t length = in.Size() - from;
        if (max >= 0) length = std::min(length, max);
        return from >= 0 && CopyRange(in, from, length, out, copied, other_core_busy) &&
               in.Seek(from + length);
    }
    std::vector<char> buf(std::size_t{1} << 20);
    for (std::int64_t left = max; left != 0;) {
        const std::size_t want =
            left < 0 ? buf.size() : static_cast<std::size_t>(std::min<std::int64_t>(left, 1 << 20));
        const std::size_t got = in.Read(buf.data(), want);
        if (got == 0) return !in.ReadFailed() && out.Flush();
        if (!out.Write(buf.data(), got)) return false;
        if (left > 0) left -= static_cast<std::int64_t>(got);
    }
    return out.Flush();
}

std::filesystem::file_status FileStatus(const std::string& path, std::error_code& ec) {
    namespace fs = std::filesystem;
    const fs::file_status st = fs::status(ToPath(path), ec);
#ifdef _WIN32
    if (fs::exists(st)) return st;
    if (path == "/dev/stdin") {
        ec.clear();
        return fs::file_status(fs::file_type::fifo, fs::perms::unknown);
    }
    // Opened for no access, just to ask what it is.
    HANDLE h =
        CreateFileW(ToPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return st;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
        ec.clear();
        return fs::file_status(
            type == FILE_TYPE_CHAR ? fs::file_type::character : fs::file_type::fifo,
            fs::perms::unknown);
    }
#endif
    return st;
}

std::string ReadTextPrefix(File& file, std::size_t n) {
    // Each delivered byte takes at most two raw bytes (CR LF), plus one to
    // see whether a final CR is followed by LF.
    std::vector<char> raw(2 * n + 1);
    file.Seek(0);
    std::size_t got = 0, r;
    while (got < raw.size() && (r = file.Read(raw.data() + got, raw.size() - got)) > 0) got += r;
    file.Seek(0);
    std::string out;
    for (std::size_t i = 0; i < got && out.size() < n; ++i) {
        char c = raw[i];
        if (c == 0x1A) break;
        if (c == '\r' && i + 1 < got && raw[i + 1] == '\n') continue;
        out.push_back(c);
    }
    return out;
}

}  // namespace tesmora
