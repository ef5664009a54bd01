#include "app/platform/QSettingsDefaults.hpp"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

namespace kindora {

namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* describe(QSettings::Status status) {
    switch (status) {
        case QSettings::NoError:
            return "no error";
        case QSettings::AccessError:
            return "the settings file cannot be read or written";
        case QSettings::FormatError:
            return "the settings file is malformed";
    }
    return "unknown error";
}

}  // namespace

QSettingsDefaults::QSettingsDefaults()
    : QSettingsDefaults([] {
          return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("quillmere"), QStringLiteral("Kindora"));
      }) {}

QSettingsDefaults::QSettingsDefaults(const QString& iniFile)
    : QSettingsDefaults([iniFile] { return std::make_unique<QSettings>(iniFile, QSettings::IniFormat); }) {}

QSettingsDefaults::QSettingsDefaults(std::function<std::unique_ptr<QSettings>()> open)
    : writer_([this, open = std::move(open)] { run(open); }) {
    // The one read, at start, before the agent runs.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return loaded_; });
}

QSettingsDefaults::~QSettingsDefaults() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    writer_.join();
}

std::optional<bool> QSettingsDefaults::boolValue(std::string_view key) const {
    const auto found = values_.find(toQString(key));
    if (found == values_.end() || !found->second.isValid()) {
        return std::nullopt;
    }
    const QVariant& value = found->second;
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    // Text-based stores give back "true"/"false"; anything else is not a bool.
    const QString text = value.toString();
    if (text == QLatin1String("true")) {
        return true;
    }
    if (text == QLatin1String("false")) {
        return false;
    }
    return std::nullopt;
}

void QSettingsDefaults::setBool(std::string_view key, bool value) {
    change(key, QVariant(value));
}

std::optional<std::string> QSettingsDefaults::stringValue(std::string_view key) const {
    const auto found = values_.find(toQString(key));
    if (found == values_.end() || !found->second.isValid() || !found->second.canConvert<QString>()) {
        return std::nullopt;
    }
    return found->second.toString().toStdString();
}

void QSettingsDefaults::setString(std::string_view key, std::string_view value) {
    change(key, QVariant(toQString(value)));
}

void QSettingsDefaults::remove(std::string_view key) {
    change(key, std::nullopt);
}

void QSettingsDefaults::waitForWrites() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return pending_.empty() && !writing_; });
}

void QSettingsDefaults::change(std::string_view key, std::optional<QVariant> value) {
    Change change{toQString(key), std::move(value)};
    if (change.value) {
        values_.insert_or_assign(change.key, *change.value);
    } else {
        values_.erase(change.key);
    }
    {
        const std::lock_guard lock(mutex_);
        pending_.push_back(std::move(change));
    }
    changed_.notify_all();
}

void QSettingsDefaults::run(const std::function<std::unique_ptr<QSettings>()>& open) {
    const std::unique_ptr<QSettings> settings = open();
    reportStatus(*settings, "read");
    std::map<QString, QVariant> values;
    for (const QString& key : settings->allKeys()) {
        values.emplace(key, settings->value(key));
    }
    std::unique_lock lock(mutex_);
    values_ = std::move(values);
    loaded_ = true;
    changed_.notify_all();
    for (;;) {
        changed_.wait(lock, [this] { return !pending_.empty() || stopping_; });
        if (pending_.empty()) {
            return;  // stopping, with every change written
        }
        std::deque<Change> changes = std::exchange(pending_, {});
        writing_ = true;
        lock.unlock();
        for (const auto& change : changes) {
            if (change.value) {
                settings->setValue(change.key, *change.value);
            } else {
                settings->remove(change.key);
            }
        }
        settings->sync();
        // Each change also asked for a later flush on this thread, which runs no event loop: it is
        // done already, and the request would only wait here for ever.
        QCoreApplication::removePostedEvents(settings.get(), QEvent::UpdateRequest);
        reportStatus(*settings, "write");
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

void QSettingsDefaults::reportStatus(const QSettings& settings, const char* operation) const {
    const QSettings::Status status = settings.status();
    if (status != QSettings::NoError) {
        logger_.error("Settings {} failed at {}: {}", operation, settings.fileName().toStdString(),
                      describe(status));
    }
}

}  // namespace kindora
