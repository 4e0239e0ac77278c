// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connect/clock_connection.h"

#include <QString>
#include <memory>

class QSettings;

namespace tarvo
{

// The per-user store of the five values kept between runs, under the
// organization "Tarvo Control Panel", group "Settings", all values as text.
// On Linux: $XDG_CONFIG_HOME/Tarvo Control Panel.conf.
class SettingsStore
{
public:
    // The user's own store.
    SettingsStore();
    // A store in an explicit file (tests, and the demo, which must not touch
    // the user's saved connection).
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();

    struct Loaded {
        qint16 UpdatePCclock = 1;
        ClockConnection connection;
        QString serialDeviceServer; // see SaveSerialDeviceServer
    };

    // Reads every key with its default; a value that does not fit its type, or
    // an UpdatePCclock other than 0, 1 or 2, falls back to the default.
    Loaded Load() const;

    // Writes ConnectionType, IPaddress, Comport and ClockType, in that order.
    void SaveConnectionSettings(const ClockConnection& connection);
    void SaveUpdatePCclock(int value);
    // The serial device server ("tcp:HOST:PORT", "rfc2217:HOST:PORT") behind
    // the saved serial connection, so that it is found again at the next start
    // without --serial-ports; empty for a local port, whose key is then
    // removed, so a store without device servers keeps its keys as they were.
    void SaveSerialDeviceServer(const QString& name);

    QString FileName() const;

private:
    QString ReadText(const char* key, const char* fallback) const;
    void WriteText(const char* key, const QString& value);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace tarvo
