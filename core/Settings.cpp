#include "core/Settings.h"

#include "core/SettingsKeys.h"

void setIniVariant(const QString& key, const QVariant& value)
{
    QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
}

bool takeFirstRunBit(int bit)
{
    const int value = getIniValue(ini::kFirstRun);
    if ((value & bit) == 0)
        return false;
    setIniValue(ini::kFirstRun, value & ~bit);
    return true;
}
