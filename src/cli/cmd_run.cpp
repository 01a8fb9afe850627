// run: every step of a recipe in turn, each on the previous one's result.
#include <cstdio>
#include <string>

#include "cli.h"
#include "tesmora/ops/recipe.h"

namespace tesmora::cli {
namespace {

int RunRecipe(Context& ctx) {
    if (ctx.args.inputs.size() < 2) throw UsageError{"no INPUT file after the recipe"};
    const std::string path = ctx.args.inputs.front();
    ctx.args.inputs.erase(ctx.args.inputs.begin());
    Recipe recipe;
    if (!ReadRecipe(path, recipe)) {
        ctx.doc.Message(kMsgOpenFailed, MsgStyle::Error, path + "\n");
        return kExitFailed;
    }
    // The whole recipe is checked before anything runs.
    for (const RecipeError& e : recipe.errors)
        std::fprintf(stderr, "tesmora-cli: %s:%d: %s\n", path.c_str(), e.line, e.what.c_str());
    if (!recipe.errors.empty()) return kExitUsage;
    // The steps share one document: each commits, the next reads its result.
    return RunAndSave(ctx, [&](Document& doc) {
        // Only the last step's output is saved.
        const bool kept = doc.OutputsKept();
        for (const RecipeStep& step : recipe.steps) {
            doc.SetOutputsKept(kept && &step == &recipe.steps.back());
            ctx.messages.prefix = path + ":" + std::to_string(step.line) + ": ";
            if (!RunStep(doc, step.request)) return false;
        }
        ctx.messages.prefix.clear();
        return true;
    });
}

}  // namespace

extern const Command kCommand_run{
    "run", "run the steps of a recipe, each on the previous one's result",
    "usage: tesmora-cli run RECIPE INPUT... -o OUTPUT\n"
    "  RECIPE is a UTF-8 text file of steps, one a line: a command that changes\n"
    "  records with its options, as on the command line (without INPUT, -o,\n"
    "  --first-rec or the encoding options). Words holding a space, '#' or '\"'\n"
    "  are written in double quotes (\\\" and \\\\ inside); '#' starts a comment.\n"
    "  Relative --other and --pairs paths are taken from the recipe's folder.\n"
    "  A malformed line stops everything before the first step (exit 2); a step\n"
    "  that refuses stops the run (exit 1); both name RECIPE:LINE.\n",
    true, RunRecipe};

}  // namespace tesmora::cli
