#include "fuzz_support.h"

#include <unistd.h>

#include <filesystem>

namespace tesmora::fuzz {

std::string ScratchFolder() {
    // Never destroyed: the exit handler below still needs it.
    static const std::string* folder = [] {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path dir = base / ("tesmora-fuzz-" + std::to_string(getpid()));
        fs::create_directories(dir);
        setenv("TMPDIR", dir.c_str(), 1);
        auto* path = new std::string(dir.string());
        std::atexit([] {
            std::error_code e;
            fs::remove_all(*folder, e);
        });
        return path;
    }();
    return *folder;
}

}  // namespace tesmora::fuzz
