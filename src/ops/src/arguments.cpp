#include "tesmora/ops/arguments.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "tesmora/document/codepage.h"

namespace tesmora {

std::optional<std::string> Args::Value(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

int Args::Int(const std::string& name, std::optional<int> def) const {
    auto v = Value(name);
    if (!v) {
        if (def) return *def;
        throw UsageError{"missing option --" + name};
    }
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(v->c_str(), &end, 10);
    if (v->empty() || *end != '\0' || errno == ERANGE || n < -2147483647L || n > 2147483647L)
        throw UsageError{"--" + name + " takes a whole number, not '" + *v + "'"};
    return static_cast<int>(n);
}

std::string Args::Text(const std::string& name, std::optional<std::string> def) const {
    auto v = Value(name);
    if (v) return *v;
    if (def) return *def;
    throw UsageError{"missing option --" + name};
}

FieldIndex Args::Field(const std::string& name) const {
    const int n = Int(name);
    if (n < 0) throw UsageError{"--" + name + " must be 0 or more"};
    return FieldIndex{n};
}

std::string Args::Cp932(const std::string& name, std::optional<std::string> def) const {
    std::string utf8 = Text(name, def);
    auto converted = Utf8ToCp932(utf8);
    if (!converted)
        throw UsageError{"--" + name + ": '" + utf8 + "' holds a character Shift-JIS cannot hold"};
    return *converted;
}

std::string Args::OneOf(std::initializer_list<const char*> names) const {
    std::string found, all;
    int count = 0;
    for (const char* n : names) {
        all += (all.empty() ? "--" : names.size() > 2 ? ", --" : " and --") + std::string(n);
        if (Has(n)) {
            found = n;
            ++count;
        }
    }
    if (count != 1) throw UsageError{"give one of " + all};
    return found;
}

std::map<std::string, bool> DeclaredOptions(std::string_view usage) {
    std::map<std::string, bool> options;
    std::size_t pos = 0;
    while (pos < usage.size()) {
        std::size_t end = usage.find('\n', pos);
        if (end == std::string::npos) end = usage.size();
        const std::string line(usage.substr(pos, end - pos));
        pos = end + 1;
        // An option line: two spaces, then the options up to a gap of two spaces.
        if (line.compare(0, 4, "  --") != 0) continue;
        const std::size_t gap = line.find("  ", 2);
        const std::string terms = line.substr(2, gap == std::string::npos ? gap : gap - 2);
        std::vector<std::string> words;
        for (std::size_t i = 0; i < terms.size();) {
            const std::size_t j = std::min(terms.find(' ', i), terms.size());
            if (j > i) words.push_back(terms.substr(i, j - i));
            i = j + 1;
        }
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (words[i].compare(0, 2, "--") != 0) continue;
            const bool value = i + 1 < words.size() && words[i + 1].compare(0, 2, "--") != 0 &&
                               words[i + 1] != "|";
            options[words[i].substr(2)] = value;
        }
    }
    return options;
}

Args ParseArguments(std::string_view usage, const std::vector<std::string>& argv) {
    const std::map<std::string, bool> options = DeclaredOptions(usage);
    Args args;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "-o") {
            if (i + 1 >= argv.size()) throw UsageError{"-o needs a file name"};
            args.output = argv[++i];
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            const auto it = options.find(a.substr(2));
            if (it == options.end()) throw UsageError{"unknown option " + a};
            if (!it->second) {
                args.flags.insert(it->first);
            } else {
                if (i + 1 >= argv.size()) throw UsageError{a + " needs a value"};
                args.values[it->first] = argv[++i];
            }
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else {
            args.inputs.push_back(a);
        }
    }
    return args;
}

}  // namespace tesmora
