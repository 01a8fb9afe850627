#pragma once
// The recent-file list: at most 7 full paths, newest first, kept in the
// settings section "Recent File List" as "File1" to "File7".
#include <QString>
#include <QStringList>

#include "tesmora/document/host.h"

namespace tesmora::desktop {

inline constexpr int kRecentFileCount = 7;

class RecentFileList {
  public:
    explicit RecentFileList(ISettingsStore& settings, int size = kRecentFileCount);

    int Size() const { return size_; }
    // Entry i (0-based); empty when there is none.
    QString Path(int i) const;
    const QStringList& Paths() const { return paths_; }
    // Moves path to the top (adds it when new) and stores the list.
    void Add(const QString& path);
    void Remove(int i);
    // "&1 name": the menu text of entry i, or empty for an empty entry.
    QString MenuText(int i) const;

  private:
    void Read();
    void Write();
    ISettingsStore& settings_;
    int size_;
    QStringList paths_;
};

}  // namespace tesmora::desktop
