// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_store.h"

#include "connect/numeric_value.h"

#include <QSettings>
#include <limits>

namespace tarvo
{

namespace
{
const QString kOrganization = QStringLiteral("Tarvo Control Panel");
const QString kGroup = QStringLiteral("Settings");

template <typename T> T ReadInteger(const QString& text, T fallback)
{
    const auto value =
        WholeValueInRange(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    return value ? static_cast<T>(*value) : fallback;
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             kOrganization, QString()))
{
}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::FileName() const
{
    return m_settings->fileName();
}

QString SettingsStore::ReadText(const char* key, const char* fallback) const
{
    const QString fullKey = kGroup + QLatin1Char('/') + QLatin1String(key);
    const QVariant value = m_settings->value(fullKey);
    if (!value.isValid())
        return QString::fromLatin1(fallback);
    // A value written by something else may not be text at all; its text form
    // (possibly empty) then goes through the numeric rule like any other.
    return value.toString();
}

void SettingsStore::WriteText(const char* key, const QString& value)
{
    m_settings->setValue(kGroup + QLatin1Char('/') + QLatin1String(key), value);
}

SettingsStore::Loaded SettingsStore::Load() const
{
    Loaded loaded;
    m_settings->sync();
    const qint16 update = ReadInteger<qint16>(ReadText("UpdatePCclock", "1"), 1);
    loaded.UpdatePCclock = (update >= 0 && update <= 2) ? update : 1;
    loaded.connection.ConnectionType = ReadInteger<qint32>(ReadText("ConnectionType", "1"), 1);
    loaded.connection.ClockType = ReadInteger<qint16>(ReadText("ClockType", "1"), 1);
    loaded.connection.Comport = ReadInteger<qint16>(ReadText("Comport", "1"), 1);
    loaded.connection.IPaddress = ReadText("IPaddress", "");
    loaded.serialDeviceServer = ReadText("SerialDeviceServer", "");
    return loaded;
}

void SettingsStore::SaveConnectionSettings(const ClockConnection& connection)
{
    WriteText("ConnectionType", QString::number(connection.ConnectionType));
    WriteText("IPaddress", connection.IPaddress);
    WriteText("Comport", QString::number(connection.Comport));
    WriteText("ClockType", QString::number(connection.ClockType));
    m_settings->sync();
}

void SettingsStore::SaveSerialDeviceServer(const QString& name)
{
    const QString key = kGroup + QStringLiteral("/SerialDeviceServer");
    if (name.isEmpty() && !m_settings->contains(key))
        return;
    if (name.isEmpty())
        m_settings->remove(key);
    else
        m_settings->setValue(key, name);
    m_settings->sync();
}

void SettingsStore::SaveUpdatePCclock(int value)
{
    WriteText("UpdatePCclock", QString::number(value));
    m_settings->sync();
}

} // namespace tarvo
