#include "tesmora/ops/recipe.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tesmora {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& p) {
    const std::u8string s = p.generic_u8string();
    return std::string(s.begin(), s.end());
}

// The paths of other files a request names.
template <typename Visit>
void EachPath(AnyRequest& request, Visit visit) {
    if (auto* r = std::get_if<TailAddRequest>(&request)) visit(r->other);
    if (auto* r = std::get_if<LookupRequest>(&request)) visit(r->other);
    if (auto* r = std::get_if<ReplaceStep>(&request)) visit(r->pairs);
}

}  // namespace

Words SplitRecipeLine(std::string_view line) {
    Words words;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            if (line[i] != '"') {
                word += line[i++];
                continue;
            }
            for (++i;; ++i) {
                if (i >= line.size()) throw UsageError{"a double quote is not closed"};
                if (line[i] == '"') break;
                if (line[i] == '\\' && i + 1 < line.size() &&
                    (line[i + 1] == '"' || line[i + 1] == '\\'))
                    ++i;
                word += line[i];
            }
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string QuoteWord(std::string_view word) {
    if (!word.empty() && word.find_first_of(" \t#\"\\") == std::string_view::npos)
        return std::string(word);
    std::string out = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

Recipe ParseRecipe(std::string_view text, const std::string& folder) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Recipe recipe;
    int number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        try {
            const Words words = SplitRecipeLine(line);
            if (words.empty()) continue;
            const Operation* op = FindOperation(words[0]);
            if (!op) {
                const bool known = words[0] == "stats" || words[0] == "save" || words[0] == "run";
                throw UsageError{known ? "'" + words[0] + "' changes no records"
                                       : "unknown command '" + words[0] + "'"};
            }
            RecipeStep step{number, ParseStep(*op, Words(words.begin() + 1, words.end()))};
            if (!folder.empty())
                EachPath(step.request, [&folder](std::string& path) {
                    if (!path.empty() && PathOf(path).is_relative())
                        path = Utf8Of(PathOf(folder) / PathOf(path));
                });
            recipe.steps.push_back(std::move(step));
        } catch (const UsageError& e) {
            recipe.errors.push_back({number, e.what});
        }
    }
    return recipe;
}

bool ReadRecipe(const std::string& path, Recipe& recipe) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    recipe = ParseRecipe(text.str(), Utf8Of(PathOf(path).parent_path()));
    return true;
}

std::string RecipeLine(const AnyRequest& request, const std::string& folder) {
    AnyRequest copy = request;
    if (!folder.empty())
        EachPath(copy, [&folder](std::string& path) {
            const fs::path rel = PathOf(path).lexically_relative(PathOf(folder));
            if (!rel.empty() && *rel.begin() != ".." && PathOf(path).is_absolute())
                path = Utf8Of(rel);
        });
    std::string line;
    for (const std::string& word : StepWords(copy)) {
        if (!line.empty()) line += ' ';
        line += QuoteWord(word);
    }
    return line;
}

}  // namespace tesmora
