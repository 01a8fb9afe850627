#pragma once
// The calling order every whole-file operation follows once its settings are
// checked and stored: save the top record for undo, open an output file, run
// the pass under the wait cursor, commit, show the time taken, set the
// modified flag and redraw.
#include <functional>

#include "tesmora/document/document.h"

namespace tesmora {

// The operation's own pass: reads the working file (doc.Records()) and writes
// output records to out. Returns false after showing its own message.
using OperationPass = std::function<bool(Document& doc, TextWriter& out)>;

// True when the operation was committed (the dialog may close).
bool RunOperation(Document& doc, const OperationPass& pass);

}  // namespace tesmora
