#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <string>
#include <type_traits>
#include <utility>

// One key of "Lorvane.ini" (Qt's ini format, in the working directory, which
// start-up makes the data folder). Each call opens the file anew; keys without
// a group land in section [General], and every other key of the file (the web
// service's host, port and project among them) is kept when it is rewritten.
//
// A missing key (or file) gives the default; a stored value that does not
// convert to T gives T's zero value (0, false, empty), not the default: an int
// key holding "true" reads 0.

inline const char* settingsFileName()
{
    return "Lorvane.ini";
}

template <typename T>
T getIniValue(const QString& key, T defaultValue)
{
    QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
    QVariant value = settings.value(key, QVariant::fromValue(defaultValue));
    if (value.userType() == qMetaTypeId<T>())
        return value.value<T>();
    if (!value.convert(qMetaTypeId<T>()))
        return T();
    return value.value<T>();
}

// Check states are kept as their number.
template <>
inline Qt::CheckState getIniValue<Qt::CheckState>(const QString& key, Qt::CheckState defaultValue)
{
    return static_cast<Qt::CheckState>(getIniValue<int>(key, static_cast<int>(defaultValue)));
}

// A text default given as a literal reads as QString.
inline QString getIniValue(const QString& key, const char* defaultValue)
{
    return getIniValue<QString>(key, QString::fromUtf8(defaultValue));
}

void setIniVariant(const QString& key, const QVariant& value);

namespace settings_detail {

template <typename T>
QVariant toIniVariant(const T& value)
{
    using V = std::decay_t<T>;
    if constexpr (std::is_array_v<T>) {
        return QString::fromUtf8(value);  // a literal, UTF-8
    } else if constexpr (std::is_same_v<V, QVariant>) {
        return value;  // an empty QVariant leaves the key without a value
    } else if constexpr (std::is_same_v<V, const char*> || std::is_same_v<V, char*>) {
        return value ? QString::fromUtf8(value) : QString();
    } else if constexpr (std::is_same_v<V, std::string>) {
        return QString::fromStdString(value);
    } else if constexpr (std::is_enum_v<V>) {
        return static_cast<int>(value);
    } else if constexpr (std::is_same_v<V, float>) {
        // Kept as decimal text (Qt would write a float as a binary variant);
        // it reads back as double or float alike.
        return QString::number(static_cast<double>(value), 'g', 7);
    } else {
        return QVariant::fromValue(value);
    }
}

}  // namespace settings_detail

// Writes one key; the value is on disk when the call returns. Instances used:
// int, bool, float, double, QString, const char* (UTF-8), QVariant, QVariantMap,
// QByteArray (and any other type QVariant holds).
template <typename T>
void setIniValue(const QString& key, const T& value)
{
    setIniVariant(key, settings_detail::toIniVariant(value));
}

// One key of the settings file: its name, the type it is read as and the
// value a missing key gives. The program's keys are listed, each once, in
// core/SettingsKeys.h and read and written through the overloads below:
//
//     const int next = getIniValue(ini::kImportIndex);   // 1 when missing
//     setIniValue(ini::kImportIndex, next + 1);
template <typename T>
class SettingKey {
public:
    // A default only known at run time (a folder of the desktop, say).
    struct RuntimeDefault {
        T (*value)();
    };

    SettingKey(const char* name, T defaultValue) : name_(name), default_(std::move(defaultValue)) {}
    SettingKey(const char* name, RuntimeDefault defaultValue) : name_(name), runtimeDefault_(defaultValue.value) {}

    const char* name() const { return name_; }
    QString key() const { return QString::fromLatin1(name_); }
    T defaultValue() const { return runtimeDefault_ ? runtimeDefault_() : default_; }

private:
    const char* name_;
    T default_{};
    T (*runtimeDefault_)() = nullptr;
};

// The key's value as its type, or its default when the key is missing.
template <typename T>
T getIniValue(const SettingKey<T>& key)
{
    return getIniValue<T>(key.key(), key.defaultValue());
}

// Writes the key. The value may be of another type than the key's when that
// is how it is stored (a size kept as float, an empty QVariant that leaves
// the key without a value).
template <typename T, typename V>
void setIniValue(const SettingKey<T>& key, const V& value)
{
    setIniValue(key.key(), value);
}

// The first-use hints share the key first_run (ini::kFirstRun, bits
// ini::kFirstRun...). Returns true when the owner's bit was still set, after
// writing back the value read with only that bit cleared.
bool takeFirstRunBit(int bit);
