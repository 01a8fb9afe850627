#include "tesmora/frame/recent_files.h"

#include <QFileInfo>
#include <string>

namespace tesmora::desktop {
namespace {

constexpr const char* kSection = "Recent File List";

std::string EntryKey(int i) {
    return "File" + std::to_string(i + 1);
}

bool SamePath(const QString& a, const QString& b) {
#ifdef _WIN32
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

}  // namespace

RecentFileList::RecentFileList(ISettingsStore& settings, int size)
    : settings_(settings), size_(size) {
    Read();
}

void RecentFileList::Read() {
    paths_.clear();
    for (int i = 0; i < size_; ++i) {
        const QString path = QString::fromStdString(settings_.GetString(kSection, EntryKey(i), ""));
        if (!path.isEmpty()) paths_.append(path);
    }
}

void RecentFileList::Write() {
    for (int i = 0; i < size_; ++i)
        settings_.SetString(kSection, EntryKey(i),
                            i < paths_.size() ? paths_[i].toStdString() : std::string());
}

QString RecentFileList::Path(int i) const {
    return i >= 0 && i < paths_.size() ? paths_[i] : QString();
}

void RecentFileList::Add(const QString& path) {
    if (path.isEmpty()) return;
    for (qsizetype i = 0; i < paths_.size(); ++i) {
        if (SamePath(paths_[i], path)) {
            paths_.removeAt(i);
            break;
        }
    }
    paths_.prepend(path);
    while (paths_.size() > size_) paths_.removeLast();
    Write();
}

void RecentFileList::Remove(int i) {
    if (i < 0 || i >= paths_.size()) return;
    paths_.removeAt(i);
    Write();
}

QString RecentFileList::MenuText(int i) const {
    const QString path = Path(i);
    if (path.isEmpty()) return QString();
    // An "&" in the name is shown, not taken as an access key.
    QString name = QFileInfo(path).fileName();
    name.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(i + 1).arg(name);
}

}  // namespace tesmora::desktop
