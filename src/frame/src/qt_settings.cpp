#include "tesmora/frame/qt_settings.h"

namespace tesmora::desktop {
namespace {

QString Key(const std::string& section, const std::string& key) {
    return QString::fromUtf8(section) + u'/' + QString::fromUtf8(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(std::make_unique<QSettings>("Quorvik", "Tesmora")) {}

QtSettingsStore::QtSettingsStore(const QString& ini_file)
    : settings_(std::make_unique<QSettings>(ini_file, QSettings::IniFormat)) {}

int QtSettingsStore::GetInt(const std::string& section, const std::string& key, int def) {
    const QVariant v = settings_->value(Key(section, key));
    bool ok = false;
    const int value = v.toInt(&ok);
    return ok ? value : def;
}

void QtSettingsStore::SetInt(const std::string& section, const std::string& key, int value) {
    settings_->setValue(Key(section, key), value);
}

std::string QtSettingsStore::GetString(const std::string& section, const std::string& key,
                                       const std::string& def) {
    const QVariant v = settings_->value(Key(section, key));
    return v.isValid() ? v.toString().toStdString() : def;
}

void QtSettingsStore::SetString(const std::string& section, const std::string& key,
                                const std::string& value) {
    settings_->setValue(Key(section, key), QString::fromUtf8(value));
}

void QtSettingsStore::Remove(const std::string& section, const std::string& key) {
    settings_->remove(Key(section, key));
}

}  // namespace tesmora::desktop
