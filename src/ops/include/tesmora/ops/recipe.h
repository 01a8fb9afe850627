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
