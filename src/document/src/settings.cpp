#include <cstdlib>

#include "tesmora/document/host.h"

namespace tesmora {

int MemorySettings::GetInt(const std::string& section, const std::string& key, int def) {
    auto it = values_.find({section, key});
    return it == values_.end() ? def : std::atoi(it->second.c_str());
}
void MemorySettings::SetInt(const std::string& section, const std::string& key, int value) {
    values_[{section, key}] = std::to_string(value);
}
std::string MemorySettings::GetString(const std::string& section, const std::string& key,
                                      const std::string& def) {
    auto it = values_.find({section, key});
    return it == values_.end() ? def : it->second;
}
void MemorySettings::SetString(const std::string& section, const std::string& key,
                               const std::string& value) {
    values_[{section, key}] = value;
}

}  // namespace tesmora
