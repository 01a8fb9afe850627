// The batch front end's argument parser and every command's option checks,
// run on small files: the exit status is one of the documented ones, the
// inputs are never changed and no temporary file outlives the run.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fuzz_support.h"
#include "tesmora/document/temp_files.h"

int TesmoraCliMain(int argc, char** argv);  // main.cpp, built under this name

using namespace tesmora;
using namespace tesmora::fuzz;

namespace {

const char* const kCommands[] = {"stats",       "save",   "sort",     "dedupe",
                                 "delete",      "reclen", "fieldlen", "field-delete",
                                 "field-paste", "--help", "nope"};
const char kA[] = "a,1,xx\r\nb,22\r\n\x82\xa0,3\r\n";
const char kB[] = "h\nc,4\n";

void Put(const char* name, const char* bytes) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Get(const char* name) {
    std::ifstream f(name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), {});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (chdir(ScratchFolder().c_str()) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    std::vector<std::string> args{"tesmora-cli", kCommands[in.Small(std::size(kCommands))]};
    // The rest: arguments separated by NUL bytes, kept inside this folder.
    std::string arg;
    for (char c : in.Rest()) {
        if (c == '\0') {
            args.push_back(arg);
            arg.clear();
        } else {
            arg.push_back(c == '/' ? '_' : c);
        }
    }
    if (!arg.empty()) args.push_back(arg);
    if (args.size() > 24) return 0;
    bool writes_input = false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        writes_input |= args[i] == "-o" && (args[i + 1] == "a.csv" || args[i + 1] == "b.csv");

    Put("a.csv", kA);
    Put("b.csv", kB);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int status = TesmoraCliMain(static_cast<int>(args.size()), argv.data());
    std::fflush(stdout);

    FUZZ_CHECK(status == 0 || status == 1 || status == 2);
    FUZZ_CHECK(RecordedTempCount() == 0);
    if (!writes_input) FUZZ_CHECK(Get("a.csv") == kA && Get("b.csv") == kB);
    // Outputs go, so that the folder stays small.
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(".", ec)) {
        const std::string name = e.path().filename().string();
        if (name != "a.csv" && name != "b.csv") std::filesystem::remove_all(e.path(), ec);
    }
    return 0;
}
