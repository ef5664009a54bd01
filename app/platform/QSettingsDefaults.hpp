#pragma once

#include <QSettings>

#include <memory>

#include "core/common/Defaults.hpp"
#include "core/common/Log.hpp"

namespace kindora {

// The user's settings in QSettings' native store: ~/.config/quillmere/Kindora.conf on Linux, the
// user defaults domain on macOS. Keys are the agent's reverse-DNS names; dates go through the base
// class as ISO 8601 text, which reads back the same everywhere. Every write is flushed at once, so
// that a crash loses no setting. Main thread only.
class QSettingsDefaults final : public Defaults {
public:
    // The user's own settings.
    QSettingsDefaults();
    // An explicit INI file, for tests.
    explicit QSettingsDefaults(const QString& iniFile);

    std::optional<bool> boolValue(std::string_view key) const override;
    void setBool(std::string_view key, bool value) override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    void setString(std::string_view key, std::string_view value) override;
    void remove(std::string_view key) override;

private:
    void reportStatus(const char* operation) const;
    void flush();

    std::unique_ptr<QSettings> settings_;
    const Log logger_{"Settings"};
};

}  // namespace kindora
