#include "tesmora/document/temp_files.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

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

void CloseOwnerFile() {
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

int RemoveAbandonedTemps(const std::string& folder) {
    int removed = 0;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(ToPath(folder), ec)) {
        const std::string leaf = ToUtf8(e.path().filename());
        if (leaf.rfind("tesmora-", 0) != 0 || leaf.size() < 13 ||
            leaf.substr(leaf.size() - 4) != ".own" || e.path() == g_owner.path)
            continue;
        // Held: its process still runs.
        const Handle h = OpenOwned(e.path(), false);
        if (h == kNoHandle) continue;
        removed += RemoveListed(e.path(), ReadAll(h));
        CloseHandleOf(h);
        std::error_code gone;
        if (fs::remove(e.path(), gone)) ++removed;
    }
    return removed;
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
