#pragma once
// The program's settings: one group per section, as the registry held them
// under Software\Quorvik\Tesmora.
#include <QSettings>
#include <memory>

#include "tesmora/document/host.h"

namespace tesmora::desktop {

class QtSettingsStore : public ISettingsStore {
  public:
    // QSettings("Quorvik", "Tesmora").
    QtSettingsStore();
    // Settings kept in an ini file (tests, portable use).
    explicit QtSettingsStore(const QString& ini_file);

    int GetInt(const std::string& section, const std::string& key, int def) override;
    void SetInt(const std::string& section, const std::string& key, int value) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) override;
    void SetString(const std::string& section, const std::string& key,
                   const std::string& value) override;
    void Remove(const std::string& section, const std::string& key);
    void Sync() { settings_->sync(); }

  private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace tesmora::desktop
