#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// One key of "Lorvane.ini" (Qt's ini format, in the working directory, which
// start-up makes the data folder). Each call opens the file anew.
//
// A missing key (or file) gives the default; a stored value that does not
// convert to T gives T's zero value.

inline const char* settingsFileName() { return "Lorvane.ini"; }

template <typename T>
T getIniValue(const QString& key, T defaultValue)
{
    QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
    if (!settings.contains(key))
        return defaultValue;
    QVariant value = settings.value(key);
    if (value.userType() == qMetaTypeId<T>())
        return value.value<T>();
    if (!value.convert(qMetaTypeId<T>()))
        return T();
    return value.value<T>();
}

template <>
inline Qt::CheckState getIniValue<Qt::CheckState>(const QString& key, Qt::CheckState defaultValue)
{
    return static_cast<Qt::CheckState>(getIniValue<int>(key, static_cast<int>(defaultValue)));
}

template <>
inline bool getIniValue<bool>(const QString& key, bool defaultValue)
{
    QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
    if (!settings.contains(key))
        return defaultValue;
    QVariant value = settings.value(key);
    if (value.userType() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false") || text.isEmpty())
        return false;
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok && number != 0.0;
}

void setIniVariant(const QString& key, const QVariant& value);

inline void setIniValue(const QString& key, int value) { setIniVariant(key, value); }
inline void setIniValue(const QString& key, bool value) { setIniVariant(key, value); }
inline void setIniValue(const QString& key, float value) { setIniVariant(key, value); }
inline void setIniValue(const QString& key, double value) { setIniVariant(key, value); }
inline void setIniValue(const QString& key, const QString& value) { setIniVariant(key, value); }
inline void setIniValue(const QString& key, const char* value) { setIniVariant(key, QString::fromUtf8(value)); }
inline void setIniValue(const QString& key, const QVariantMap& value) { setIniVariant(key, value); }
inline void setIniValue(const QString& key, const QByteArray& value) { setIniVariant(key, value); }
inline void setIniValue(const QString& key, const QVariant& value) { setIniVariant(key, value); }

// The first-use hints share the key first_run (default 7). Returns true when
// the owner's bit was still set, after clearing only that bit in the file.
bool takeFirstRunBit(int bit);
