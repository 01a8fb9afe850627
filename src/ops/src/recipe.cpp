#include "tesmora/ops/recipe.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"

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
                    // Rooted paths ("/srv/x.csv", "C:\\x.csv") stand as they are.
                    if (!path.empty() && !PathOf(path).has_root_directory())
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
            if (!rel.empty() && *rel.begin() != ".." && PathOf(path).has_root_directory())
                path = Utf8Of(rel);
        });
    std::string line;
    for (const std::string& word : StepWords(copy)) {
        if (!line.empty()) line += ' ';
        line += QuoteWord(word);
    }
    return line;
}

namespace {

std::string Fill(int id, std::initializer_list<std::string> values) {
    std::string out = MessageText(id) ? MessageText(id) : "";
    char mark[] = "%1";
    for (const std::string& v : values) {
        const std::size_t at = out.find(mark);
        if (at != std::string::npos) out.replace(at, 2, v);
        ++mark[1];
    }
    return out;
}

// The document's messages with the running step's line before them.
class StepMessages : public IMessageSink {
  public:
    explicit StepMessages(IMessageSink& inner) : inner_(inner) {}
    int Show(int id, const std::string& text, MsgStyle style) override {
        return inner_.Show(id, prefix + text, style);
    }
    std::string prefix;

  private:
    IMessageSink& inner_;
};

}  // namespace

bool RunRecipe(Document& doc, const std::string& path) {
    if (!doc.IsOpen()) return false;
    Recipe recipe;
    if (!ReadRecipe(path, recipe)) {
        doc.Message(kMsgOpenFailed, MsgStyle::Error, path + "\n");
        return false;
    }
    if (!recipe.errors.empty()) {
        std::string list = PathOf(path).filename().string() + "\n";
        for (const RecipeError& e : recipe.errors)
            list += Fill(kMsgRecipeLine, {std::to_string(e.line)}) + e.what + "\n";
        doc.Message(kMsgRecipeErrors, MsgStyle::Error, list + "\n");
        return false;
    }
    if (recipe.steps.empty()) return false;
    // The steps run on a document of their own over the working file, which
    // it reads where it lies and never writes; the result is committed once.
    StepMessages messages(doc.Messages());
    MemorySettings settings;
    IViewSink view;
    Document steps(messages, doc.Progress(), settings, view);
    LoadOptions options;
    options.offer_split_mode = false;
    options.read_only_prompt = false;
    options.encoding = Encoding::ShiftJis;
    if (!steps.LoadWorkingFile(doc.WorkingFileName(), LoadMode::InPlace, options)) return false;
    const std::string count = std::to_string(recipe.steps.size());
    for (std::size_t i = 0; i < recipe.steps.size(); ++i) {
        const RecipeStep& step = recipe.steps[i];
        doc.Progress().SetStatusText(Fill(
            kMsgRecipeStep, {std::to_string(i + 1), count, OperationOf(step.request).command}));
        messages.prefix = Fill(kMsgRecipeLine, {std::to_string(step.line)});
        if (!RunStep(steps, step.request)) return false;
    }
    messages.prefix.clear();
    const bool committed = RunOperation(doc, [&steps](Document&, TextWriter& out) {
        TextReader records = steps.Records();
        Line line;
        while (records.Next(line)) out.WriteRecord(line.text);
        return true;
    });
    if (!committed) return false;
    for (HistoryStep step : steps.History()) doc.RecordStep(std::move(step));
    return true;
}

bool SaveRecipe(Document& doc, const std::string& path, const std::string& date) {
    const fs::path target = PathOf(path);
    const std::string folder = Utf8Of(target.parent_path());
    std::string text = "# tesmora recipe\n# " + doc.CurrentFileName() + "  " + date + "\n";
    int number = 0;
    for (const HistoryStep& step : doc.History()) {
        ++number;
        const Operation* op = FindOperation(step.words.at(0));
        if (!op) continue;
        AnyRequest request = ParseStep(*op, Words(step.words.begin() + 1, step.words.end()));
        if (auto* replace = std::get_if<ReplaceStep>(&request); replace && !step.pairs.empty()) {
            fs::path cng = target.parent_path() /
                           PathOf(Utf8Of(target.stem()) + "-" + std::to_string(number) + ".cng");
            std::ofstream out(cng, std::ios::binary);
            if (!(out << step.pairs) || !out.flush()) {
                doc.Message(kMsgCreateFailed, MsgStyle::Error, Utf8Of(cng) + "\n");
                return false;
            }
            replace->pairs = Utf8Of(cng);
        }
        text += RecipeLine(request, folder) + "\n";
    }
    std::ofstream out(target, std::ios::binary);
    if (!(out << text) || !out.flush()) {
        doc.Message(kMsgCreateFailed, MsgStyle::Error, path + "\n");
        return false;
    }
    return true;
}

}  // namespace tesmora
