#pragma once

#include <QString>

namespace tarvo
{

class Panel;

// The commands behind the clock-settings buttons. Each picks the link by the
// connection in use and reads the working settings and the time to send from
// the program state; the window only moves the focus and gathers the few
// values that live in its controls.

// What the send button needs from the controls besides the working settings.
struct SettingsSendInput {
    QString phoneText;             // the modem page's phone number as typed
    int secondOffsetPosition = -1; // selected position of the second-offset list
};

void SendClockSettingsViaSerial(Panel& panel, int clockType, const QString& phoneText);
// Composes the record in ClockSettingsCopy and sends it in one datagram.
void SendClockSettingsViaNetwork(Panel& panel, int clockType, int secondOffsetPosition);
// The send button after the focus moved: the settings over the link in use,
// then the network settings when one of them changed.
void SendAllSettings(Panel& panel, const SettingsSendInput& input);

// Asks first; then resets the clock and asks it for its settings again.
void RestoreFactoryDefaults(Panel& panel);
void ResyncNow(Panel& panel);

void SendTimeAndDateViaSerial(Panel& panel);
void SendTimeAndDateViaNetwork(Panel& panel);
void SendTimeAndDate(Panel& panel);
void SendTimeAdjustViaSerial(Panel& panel, int adjustType, int adjustDirection);
void SendTimeAdjustViaNetwork(Panel& panel, int adjustType, int adjustDirection);
void SendTimeAdjust(Panel& panel, int adjustType, int adjustDirection);
// The modem's "update now" always goes over the serial line.
void ModemSyncNow(Panel& panel);

// Title and text of the factory-defaults question.
inline const QString FactoryDefaultsTitle = QStringLiteral("Set to defaults");
inline const QString FactoryDefaultsQuestion =
    QStringLiteral("The clock settings will be set to factory defaults. Is this ok?");

} // namespace tarvo
