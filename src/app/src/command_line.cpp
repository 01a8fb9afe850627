#include "tesmora/app/command_line.h"

#include <QDir>
#include <QFileInfo>

namespace tesmora::desktop {

QStringList FilesFromCommandLine(const QStringList& args, const QString& cwd) {
    QStringList files;
    const QDir base(cwd);
    for (qsizetype i = 0; i < args.size() && i < kMaxCommandLineFiles; ++i) {
        if (args[i].isEmpty()) continue;
        const QFileInfo info(base, args[i]);
        if (info.isDir()) continue;
        files.append(QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath())));
    }
    return files;
}

}  // namespace tesmora::desktop
