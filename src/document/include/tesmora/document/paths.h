#pragma once
// Paths are carried as UTF-8 strings; these convert at the file-system edge.
#include <filesystem>
#include <string>

namespace tesmora {

inline std::filesystem::path ToPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string ToUtf8(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

}  // namespace tesmora
