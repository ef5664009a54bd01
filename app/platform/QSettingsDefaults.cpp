#include "app/platform/QSettingsDefaults.hpp"

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
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("quillmere"), QStringLiteral("Kindora"))) {
    reportStatus("read");
}

QSettingsDefaults::QSettingsDefaults(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {
    reportStatus("read");
}

std::optional<bool> QSettingsDefaults::boolValue(std::string_view key) const {
    const QVariant value = settings_->value(toQString(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
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
    settings_->setValue(toQString(key), value);
    flush();
}

std::optional<std::string> QSettingsDefaults::stringValue(std::string_view key) const {
    const QVariant value = settings_->value(toQString(key));
    if (!value.isValid() || !value.canConvert<QString>()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

void QSettingsDefaults::setString(std::string_view key, std::string_view value) {
    settings_->setValue(toQString(key), toQString(value));
    flush();
}

void QSettingsDefaults::remove(std::string_view key) {
    settings_->remove(toQString(key));
    flush();
}

void QSettingsDefaults::flush() {
    settings_->sync();
    reportStatus("write");
}

void QSettingsDefaults::reportStatus(const char* operation) const {
    const QSettings::Status status = settings_->status();
    if (status != QSettings::NoError) {
        logger_.error("Settings {} failed at {}: {}", operation, settings_->fileName().toStdString(),
                      describe(status));
    }
}

}  // namespace kindora
