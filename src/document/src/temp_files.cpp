#include "tesmora/document/temp_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "tesmora/document/paths.h"
#include "tesmora/document/text_stream.h"

namespace tesmora {
namespace {

// A document records at most nine files at once; the rest is headroom.
constexpr int kSlots = 32;
constexpr std::size_t kPathMax = 4096;
enum : int { kFree, kBusy, kRecorded };

struct Slot {
    std::atomic<int> state{kFree};
    char path[kPathMax];
};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");
Slot g_slots[kSlots];

}  // namespace

namespace {

namespace fs = std::filesystem;

// A name MakeTempFileName gives: "Tes", one to four hex digits, ".TMP".
bool IsTempLeaf(std::string_view leaf) {
    if (leaf.size() < 8 || leaf.size() > 11 || leaf.substr(0, 3) != "Tes" ||
        leaf.substr(leaf.size() - 4) != ".TMP")
        return false;
    for (char c : leaf.substr(3, leaf.size() - 7))
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

// Deletes the temporary files an abandoned owner file lists in its folder.
int RemoveListed(const fs::path& owner, const std::string& list) {
    int removed = 0;
    std::size_t from = 0;
    while (from < list.size()) {
        std::size_t end = list.find('\n', from);
        if (end == std::string::npos) end = list.size();
        const fs::path listed = ToPath(list.substr(from, end - from));
        from = end + 1;
        std::error_code ec;
        // Only our own names, in the owner file's own folder.
        if (listed.parent_path() != owner.parent_path() || !IsTempLeaf(ToUtf8(listed.filename())))
            continue;
        if (fs::remove(listed, ec)) ++removed;
    }
    return removed;
}

#ifdef _WIN32
using Handle = HANDLE;
const Handle kNoHandle = INVALID_HANDLE_VALUE;
// Held without sharing: nobody else can open it while we run. Deletion is
// shared, so that we can delete it while we hold it, as on POSIX.
Handle OpenOwned(const fs::path& p, bool create) {
    return CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                       create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
std::string ReadAll(Handle h) {
    std::string out;
    char buf[4096];
    DWORD got = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    return out;
}
void Append(Handle h, const std::string& line) {
    DWORD put = 0;
    SetFilePointer(h, 0, nullptr, FILE_END);
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
}
void Empty(Handle h) {
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
}
void CloseHandleOf(Handle h) {
    CloseHandle(h);
}
int ProcessId() {
    return _getpid();
}
#else
using Handle = int;
const Handle kNoHandle = -1;
// Held by an advisory lock that ends with the process, however it ends.
Handle OpenOwned(const fs::path& p, bool create) {
    const int fd = ::open(p.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0) return kNoHandle;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return kNoHandle;
    }
    return fd;
}
std::string ReadAll(Handle fd) {
    std::string out;
    char buf[4096];
    ssize_t got;
    while ((got = pread(fd, buf, sizeof buf, static_cast<off_t>(out.size()))) > 0)
        out.append(buf, static_cast<std::size_t>(got));
    return out;
}
void Append(Handle fd, const std::string& line) {
    const off_t end = lseek(fd, 0, SEEK_END);
    if (end >= 0 && pwrite(fd, line.data(), line.size(), end) < 0) return;
}
void Empty(Handle fd) {
    if (ftruncate(fd, 0) != 0) return;
}
void CloseHandleOf(Handle fd) {
    ::close(fd);
}
int ProcessId() {
    return static_cast<int>(getpid());
}
#endif

// The owner file's path for the signal handler, which may not allocate.
char g_owner_path[kPathMax] = {};

struct OwnerFile {
    Handle handle = kNoHandle;
    fs::path path;
    ~OwnerFile() { CloseOwnerFile(); }
};
OwnerFile g_owner;

// Opens this process's owner file in folder on the first record there.
void NoteOwned(const std::string& path) {
    const fs::path file = ToPath(path);
    if (!IsTempLeaf(ToUtf8(file.filename()))) return;
    // Only the temporary folder's files: never an owner file beside OUTPUT.
    std::error_code ec;
    if (g_owner.handle == kNoHandle &&
        file.parent_path() != (fs::temp_directory_path(ec) / "x").parent_path())
        return;
    if (g_owner.handle == kNoHandle) {
        const fs::path owner =
            file.parent_path() / ("tesmora-" + std::to_string(ProcessId()) + ".own");
        g_owner.handle = OpenOwned(owner, true);
        if (g_owner.handle == kNoHandle) return;
        g_owner.path = owner;
        const std::string utf8 = ToUtf8(owner);
        if (utf8.size() < kPathMax) std::memcpy(g_owner_path, utf8.c_str(), utf8.size() + 1);
        // One left by an earlier process of the same number: its files first.
        RemoveListed(owner, ReadAll(g_owner.handle));
        Empty(g_owner.handle);
    }
    if (file.parent_path() == g_owner.path.parent_path()) Append(g_owner.handle, path + "\n");
}

}  // namespace

namespace {
void JoinSyncer();
}  // namespace

void CloseOwnerFile() {
    JoinSyncer();
    if (g_owner.handle == kNoHandle) return;
    // While a file it lists is still there, the list stays for the next start.
    bool left = false;
    const std::string list = ReadAll(g_owner.handle);
    for (std::size_t from = 0; from < list.size() && !left;) {
        std::size_t end = list.find('\n', from);
        if (end == std::string::npos) end = list.size();
        std::error_code ec;
        left = fs::exists(ToPath(list.substr(from, end - from)), ec);
        from = end + 1;
    }
    if (!left) {
        std::error_code ec;
        fs::remove(g_owner.path, ec);
        g_owner_path[0] = '\0';
    }
    CloseHandleOf(g_owner.handle);
    g_owner.handle = kNoHandle;
}

namespace {

constexpr std::string_view kDocumentLine = "#document\t";

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> out;
    for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        out.emplace_back(line.substr(from, tab == std::string_view::npos ? tab : tab - from));
        if (tab == std::string_view::npos) return out;
        from = tab + 1;
    }
}

// The document line of an owner file's list, if it has one.
bool ParseDocument(const std::string& list, DocumentRecord& record) {
    for (std::size_t from = 0; from < list.size();) {
        std::size_t end = list.find('\n', from);
        if (end == std::string::npos) end = list.size();
        const std::string_view line(list.data() + from, end - from);
        from = end + 1;
        if (line.rfind(kDocumentLine, 0) != 0) continue;
        const std::vector<std::string> f = Fields(line.substr(kDocumentLine.size()));
        if (f.size() != 7) return false;
        record.time = std::atoll(f[0].c_str());
        record.modified = f[1] == "1";
        record.records = std::atoll(f[2].c_str());
        record.encoding = f[3];
        record.forms = f[4];
        record.working = f[5];
        record.file = f[6];
        return true;
    }
    return false;
}

// The owner files of runs that are gone, each held while it is read.
template <typename F>
void ForEachAbandoned(const std::string& folder, F&& f) {
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(ToPath(folder), ec)) {
        const std::string leaf = ToUtf8(e.path().filename());
        if (leaf.rfind("tesmora-", 0) != 0 || leaf.size() < 13 ||
            leaf.substr(leaf.size() - 4) != ".own" || e.path() == g_owner.path)
            continue;
        // Held: its process still runs.
        const Handle h = OpenOwned(e.path(), false);
        if (h == kNoHandle) continue;
        const std::string list = ReadAll(h);
        CloseHandleOf(h);
        f(e.path(), list);
    }
}

bool Recoverable(const std::string& list, DocumentRecord& record) {
    std::error_code ec;
    return ParseDocument(list, record) && record.modified &&
           fs::is_regular_file(ToPath(record.working), ec);
}

int RemoveOwned(const fs::path& owner, const std::string& list) {
    int removed = RemoveListed(owner, list);
    std::error_code gone;
    if (fs::remove(owner, gone)) ++removed;
    return removed;
}

#ifndef _WIN32
void SyncPath(const fs::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return;
    if (fsync(fd) != 0) {
        // Nothing more to do: the record then says only what it can.
    }
    ::close(fd);
}
#endif

// The working file's bytes and its name in its folder reach the disk.
void SyncToDisk(const std::string& path) {
#ifdef _WIN32
    const HANDLE h = CreateFileW(ToPath(path).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(h);
    CloseHandle(h);
#else
    SyncPath(ToPath(path), O_RDONLY);
    SyncPath(ToPath(path).parent_path(), O_RDONLY | O_DIRECTORY);
#endif
}

}  // namespace

int RemoveAbandonedTemps(const std::string& folder) {
    int removed = 0;
    ForEachAbandoned(folder, [&](const fs::path& owner, const std::string& list) {
        // Unsaved work waits for the user's answer.
        DocumentRecord record;
        if (Recoverable(list, record)) return;
        removed += RemoveOwned(owner, list);
    });
    return removed;
}

std::vector<DocumentRecord> FindAbandonedDocuments(const std::string& folder) {
    std::vector<DocumentRecord> found;
    ForEachAbandoned(folder, [&](const fs::path& owner, const std::string& list) {
        DocumentRecord record;
        if (!Recoverable(list, record)) return;
        record.owner = ToUtf8(owner);
        found.push_back(record);
    });
    std::sort(found.begin(), found.end(),
              [](const DocumentRecord& a, const DocumentRecord& b) { return a.time > b.time; });
    return found;
}

void DiscardAbandoned(const DocumentRecord& record) {
    const fs::path owner = ToPath(record.owner);
    const Handle h = OpenOwned(owner, false);
    if (h == kNoHandle) return;
    const std::string list = ReadAll(h);
    CloseHandleOf(h);
    RemoveOwned(owner, list);
}

namespace {

// Forcing a large working file to disk takes a while: it runs beside the
// program, and the record is written once the file is on disk. One at a
// time, in order.
// Never destroyed: a static thread still joinable at exit would end the
// program; CloseOwnerFile joins it instead.
std::thread& Syncer() {
    static auto* syncer = new std::thread;
    return *syncer;
}
std::mutex g_owner_mutex;

void WriteDocumentLine(const std::optional<DocumentRecord>& record) {
    std::lock_guard lock(g_owner_mutex);
    if (g_owner.handle == kNoHandle) return;
    // The list without its old document line, then the new one.
    const std::string list = ReadAll(g_owner.handle);
    std::string kept;
    for (std::size_t from = 0; from < list.size();) {
        std::size_t end = list.find('\n', from);
        if (end == std::string::npos) end = list.size();
        const std::string_view line(list.data() + from, end - from);
        from = end + 1;
        if (!line.empty() && line.rfind(kDocumentLine, 0) != 0) kept.append(line).append("\n");
    }
    if (record) {
        kept.append(kDocumentLine);
        kept += std::to_string(record->time) + "\t" + (record->modified ? "1" : "0") + "\t" +
                std::to_string(record->records) + "\t" + record->encoding + "\t" + record->forms +
                "\t" + record->working + "\t" + record->file + "\n";
    }
    Empty(g_owner.handle);
    Append(g_owner.handle, kept);
#ifndef _WIN32
    if (record && record->modified && fsync(g_owner.handle) != 0) {
        // The record is as good as the disk lets it be.
    }
#endif
}

void JoinSyncer() {
    if (Syncer().joinable()) Syncer().join();
}

}  // namespace

void RecordDocument(const DocumentRecord* record) {
    if (g_owner.handle == kNoHandle) return;
    JoinSyncer();
    if (!record || !record->modified) {
        WriteDocumentLine(record ? std::optional(*record) : std::nullopt);
        return;
    }
    Syncer() = std::thread([r = *record] {
        SyncToDisk(r.working);
        WriteDocumentLine(r);
    });
}

bool RecordTemp(const std::string& path) {
    if (path.empty() || path.size() >= kPathMax) return false;
    NoteOwned(path);
    for (Slot& s : g_slots) {
        int expected = kFree;
        if (s.state.compare_exchange_strong(expected, kBusy)) {
            std::memcpy(s.path, path.c_str(), path.size() + 1);
            s.state.store(kRecorded);
            return true;
        }
    }
    return false;
}

void ForgetTemp(const std::string& path) {
    for (Slot& s : g_slots) {
        // Only the owner of a path forgets it, so a recorded slot holding it
        // cannot change under us.
        int expected = kRecorded;
        if (s.state.load() == kRecorded && path == s.path &&
            s.state.compare_exchange_strong(expected, kBusy)) {
            s.state.store(kFree);
            return;
        }
    }
}

bool RemoveTemp(const std::string& path) {
    // Still recorded when it stays, so that a signal deletes it.
    if (!File::Remove(path)) return false;
    ForgetTemp(path);
    return true;
}

void RemoveRecordedTemps() noexcept {
    for (Slot& s : g_slots) {
        if (s.state.load() != kRecorded) continue;
#ifdef _WIN32
        std::remove(s.path);
#else
        unlink(s.path);
#endif
    }
    // Nothing of ours is left for its list to name.
    if (g_owner_path[0] != '\0') {
#ifdef _WIN32
        std::remove(g_owner_path);
#else
        unlink(g_owner_path);
#endif
    }
}

int RecordedTempCount() {
    int n = 0;
    for (const Slot& s : g_slots) n += s.state.load() == kRecorded;
    return n;
}

}  // namespace tesmora
