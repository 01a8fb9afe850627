#pragma once
// Batch arguments: a command's options as words, read by the parser its usage
// text declares. The batch front end and the recipes share them, so a step in
// a recipe reads exactly as the command line does.
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tesmora/document/types.h"

namespace tesmora {

// A malformed argument (batch exit status 2).
struct UsageError {
    std::string what;
};

class Args {
  public:
    std::map<std::string, std::string> values;  // --name VALUE
    std::set<std::string> flags;                // --name
    std::vector<std::string> inputs;
    std::optional<std::string> output;

    bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
    std::optional<std::string> Value(const std::string& name) const;
    // Integer option; throws UsageError when missing (and required) or malformed.
    int Int(const std::string& name, std::optional<int> def = std::nullopt) const;
    // A field number: an integer of 0 or more.
    FieldIndex Field(const std::string& name) const;
    std::string Text(const std::string& name, std::optional<std::string> def = std::nullopt) const;
    // A text argument converted to code page 932 (usage error when it cannot be).
    std::string Cp932(const std::string& name, std::optional<std::string> def = std::nullopt) const;
    // Exactly one of the flags; throws UsageError otherwise.
    std::string OneOf(std::initializer_list<const char*> names) const;
};

// The options a usage text declares: every line "  --name VALUE  help" or
// "  --flag  help" (several options on one line allowed). name -> whether it
// takes a value.
std::map<std::string, bool> DeclaredOptions(std::string_view usage);
// Reads words against a usage text: options, "-o OUTPUT" and the INPUTs;
// throws UsageError for an undeclared option or a missing value.
Args ParseArguments(std::string_view usage, const std::vector<std::string>& words);

}  // namespace tesmora
