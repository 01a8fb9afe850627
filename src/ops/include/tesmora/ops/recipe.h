#pragma once
// Recipes: steps in the batch syntax, one a line, read and checked as a
// whole before anything runs, and written back from a document's history.
#include <string>
#include <string_view>
#include <vector>

#include "tesmora/ops/operations.h"

namespace tesmora {

struct RecipeStep {
    int line = 0;  // 1-based line of the recipe file
    AnyRequest request;
};

// A malformed line and what is wrong with it.
struct RecipeError {
    int line = 0;
    std::string what;
};

struct Recipe {
    std::vector<RecipeStep> steps;
    std::vector<RecipeError> errors;  // the recipe runs only without any
};

// The words of a line: separated by spaces, a word in double quotes may hold
// spaces, '#' and '"' (with \" and \\ inside); a '#' beginning a word outside
// quotes ends the line. Throws UsageError for an unterminated quote.
Words SplitRecipeLine(std::string_view line);
// A word as a line holds it: quoted when it is empty or holds a space, a tab,
// a '#' or a double quote.
std::string QuoteWord(std::string_view word);

// Reads a recipe's text (UTF-8, BOM allowed). Relative --other and --pairs
// paths are taken from folder (empty: left as they are).
Recipe ParseRecipe(std::string_view text, const std::string& folder);
// The same from a file; false when it cannot be read.
bool ReadRecipe(const std::string& path, Recipe& recipe);

// A step's line: the command and its options, with the paths of other files
// relative to folder where they lie inside it.
std::string RecipeLine(const AnyRequest& request, const std::string& folder);

}  // namespace tesmora

namespace tesmora {

// Runs the recipe file on the open document. The whole recipe is checked
// first: malformed lines are listed with their line numbers and nothing runs.
// Then the steps run one after another, each on the temporary file the one
// before wrote, the status naming the step ("ステップ 3/7 sort"); the document
// is committed once at the end, so one undo restores it, and the history
// gets the steps. A step that refuses shows its message after its line, and
// the document stays as it was. True when committed.
bool RunRecipe(Document& doc, const std::string& path);

// Writes the document's history as a recipe (UTF-8): a header comment naming
// the document's file and the date, then one step a line, other files
// relative to the recipe's folder where they lie inside it. Typed or changed
// replacement pairs are written beside it as NAME-N.cng (N the step) and
// named by the step. False, with its message shown, when a file cannot be
// written.
bool SaveRecipe(Document& doc, const std::string& path, const std::string& date);

}  // namespace tesmora
