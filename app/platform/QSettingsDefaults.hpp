#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/common/Defaults.hpp"
#include "core/common/Log.hpp"

namespace kindora {

// The user's settings in QSettings' native store: ~/.config/quillmere/Kindora.conf on Linux, the
// user defaults domain on macOS. Keys are the agent's reverse-DNS names; dates go through the base
// class as ISO 8601 text, which reads back the same everywhere. The settings are read once, at
// construction; from then on reads come from memory, and every change is written and flushed at once
// on a thread of its own, so that a crash loses no setting and the main thread never waits on the
// disk. Main thread only.
class QSettingsDefaults final : public Defaults {
public:
    // The user's own settings.
    QSettingsDefaults();
    // An explicit INI file, for tests.
    explicit QSettingsDefaults(const QString& iniFile);
    // Waits for the changes still being written.
    ~QSettingsDefaults() override;
    QSettingsDefaults(const QSettingsDefaults&) = delete;
    QSettingsDefaults& operator=(const QSettingsDefaults&) = delete;

    std::optional<bool> boolValue(std::string_view key) const override;
    void setBool(std::string_view key, bool value) override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    void setString(std::string_view key, std::string_view value) override;
    void remove(std::string_view key) override;

    // Blocks until every change made so far is on disk (or failed and was logged). For tests.
    void waitForWrites();

private:
    // One change to write: a value, or nothing to remove the key.
    struct Change {
        QString key;
        std::optional<QVariant> value;
    };

    explicit QSettingsDefaults(std::function<std::unique_ptr<QSettings>()> open);
    void change(std::string_view key, std::optional<QVariant> value);
    // The writer's thread: opens the settings (the object belongs to that thread), reads them for the
    // constructor, then writes the changes handed over until told to stop.
    void run(const std::function<std::unique_ptr<QSettings>()>& open);
    void reportStatus(const QSettings& settings, const char* operation) const;

    std::map<QString, QVariant> values_;  // what reads see: the file as read, with every change since
    const Log logger_{"Settings"};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Change> pending_;
    bool loaded_ = false;
    bool writing_ = false;
    bool stopping_ = false;
    std::thread writer_;  // last: started once the fields above exist
};

}  // namespace kindora
