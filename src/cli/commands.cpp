#include "commands.h"

namespace tesmora::cli {

const std::vector<const Command*>& Commands() {
    static const std::vector<const Command*> all{
        &kStatsCommand,
        &kSaveCommand,
    };
    return all;
}

}  // namespace tesmora::cli
