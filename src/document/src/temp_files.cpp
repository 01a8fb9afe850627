#include "tesmora/document/temp_files.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

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

bool RecordTemp(const std::string& path) {
    if (path.empty() || path.size() >= kPathMax) return false;
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
}

int RecordedTempCount() {
    int n = 0;
    for (const Slot& s : g_slots) n += s.state.load() == kRecorded;
    return n;
}

}  // namespace tesmora
