#pragma once
// What the batch front end does so that no exit it can see leaves a
// temporary file behind or writes into the wrong file.

namespace tesmora::cli {

// Call first thing in main: signals that end the process delete the recorded
// temporary files first; a file-size limit or a vanished output pipe becomes
// a failed write that is reported; a closed standard stream is held open on
// a file that refuses its use, so that none of our files takes its number.
void InstallBatchCleanup();

}  // namespace tesmora::cli
