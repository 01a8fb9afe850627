#pragma once
// Every command of tesmora-cli; add a command here and in commands.cpp.
#include "cli.h"

namespace tesmora::cli {
extern const Command kStatsCommand;
extern const Command kSaveCommand;
}  // namespace tesmora::cli
