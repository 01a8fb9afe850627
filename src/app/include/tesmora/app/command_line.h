#pragma once
// The files named on the command line. The system has already split the
// command line into arguments; each keeps its own folder.
#include <QString>
#include <QStringList>

namespace tesmora::desktop {

inline constexpr int kMaxCommandLineFiles = 100;

// Full paths of the arguments (relative ones taken from cwd), folders left
// out, at most 100, in the order given (the document orders them by "AddJun").
QStringList FilesFromCommandLine(const QStringList& args, const QString& cwd);

}  // namespace tesmora::desktop
