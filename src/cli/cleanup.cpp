#include "cleanup.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "tesmora/document/messages.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/document/text_stream.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tesmora::cli {
namespace {

#ifndef _WIN32
const char* g_read_failed = "";

void Put(const char* s) {
    if (s) (void)!write(2, s, std::strlen(s));
}

void OnEndingSignal(int sig) {
    RemoveRecordedTemps();
    // The handler was reset on entry: the signal ends the process as it
    // would have, once this returns.
    raise(sig);
}

// A file read through a mapping shrank under us (another program truncated
// it): the page is gone, so the run cannot go on.
void OnBusError(int, siginfo_t* info, void*) {
    RemoveRecordedTemps();
    Put("tesmora-cli: ");
    if (const char* path = MappedFileAt(info->si_addr)) {
        Put(path);
        Put("\n");
    }
    Put(g_read_failed);
    Put("\n");
    _exit(1);
}

void Catch(int sig) {
    struct sigaction old {};
    // A signal ignored by whoever started us stays ignored.
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
    struct sigaction sa {};
    sa.sa_handler = OnEndingSignal;
    sa.sa_flags = SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}
#else
void OnEndingSignal(int sig) {
    RemoveRecordedTemps();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}
#endif

}  // namespace

void InstallBatchCleanup() {
#ifndef _WIN32
    // fd 0 readable, 1 and 2 writable only in name: /dev/null the other way round.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
    g_read_failed = MessageText(kMsgOpenFailed);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) Catch(sig);
    // A reader of standard output that went away ends us quietly, as it ends
    // any filter; if SIGPIPE is ignored, the failed write is reported instead.
    Catch(SIGPIPE);
    // Over the file-size limit a write fails (and is reported) instead of
    // killing us beside a half-written file.
    signal(SIGXFSZ, SIG_IGN);
    struct sigaction bus {};
    bus.sa_sigaction = OnBusError;
    bus.sa_flags = SA_SIGINFO;
    sigemptyset(&bus.sa_mask);
    sigaction(SIGBUS, &bus, nullptr);
#else
    std::signal(SIGINT, OnEndingSignal);
    std::signal(SIGTERM, OnEndingSignal);
#endif
    // Whatever way main is left, nothing it recorded is needed any more.
    static const bool at_exit = std::atexit([] { RemoveRecordedTemps(); }) == 0;
    (void)at_exit;
    std::set_terminate([] {
        RemoveRecordedTemps();
        std::abort();
    });
}

}  // namespace tesmora::cli
