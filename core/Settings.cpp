#include "core/Settings.h"

void setIniVariant(const QString& key, const QVariant& value)
{
    QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
}

bool takeFirstRunBit(int bit)
{
    const int value = getIniValue<int>(QStringLiteral("first_run"), 7);
    if ((value & bit) == 0)
        return false;
    setIniValue(QStringLiteral("first_run"), value & ~bit);
    return true;
}
