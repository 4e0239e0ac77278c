// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/task.h"

#include <QDateTime>
#include <QString>

namespace tarvo
{

class Panel;

// The commands behind the clock-settings buttons. Each goes out on the link
// in use and reads the working settings and the time to send from the program
// state; the window only moves the focus and gathers the few values that live
// in its controls.

// What the send button needs from the controls besides the working settings.
struct SettingsSendInput {
    QString phoneText;             // the modem page's phone number as typed
    int secondOffsetPosition = -1; // selected position of the second-offset list
    QString shownAddress;          // the clock's address as the Network page shows it
};

// The send button after the focus moved: the settings over the link in use,
// then, over the serial link, the request for the settings when the clock has
// network settings, and the network settings when one of them changed.
// SendingSettings is raised while it runs.
Task<void> SendAllSettings(Panel& panel, SettingsSendInput input);

// The send button: the settings as SendAllSettings sends them, then read back
// and compared (not after a change of network settings, whose own sequence
// follows the clock to its new address).
Task<void> SendAndConfirmSettings(Panel& panel, SettingsSendInput input);

// Asks first; then resets the clock and asks it for its settings again.
Task<void> RestoreFactoryDefaults(Panel& panel);
void ResyncNow(Panel& panel);

void SendTimeAndDate(Panel& panel);
// "Update Now": the pickers' time and date, `shown`, go to the clock; when they
// are more than TimeSetQuestionSeconds from the computer's clock (`now`), the
// operator is asked first, with the difference named.
inline constexpr int TimeSetQuestionSeconds = 10;
Task<void> SetClockTime(Panel& panel, QDateTime shown, QDateTime now);
// "1 minute 30 seconds behind", "2 hours ahead of": `shown` against `now`.
QString DescribeTimeDifference(const QDateTime& shown, const QDateTime& now);
void SendTimeAdjust(Panel& panel, int adjustType, int adjustDirection);
// The modem's "update now" always goes over the serial line.
void ModemSyncNow(Panel& panel);

// Title and text of the factory-defaults question.
inline const QString FactoryDefaultsTitle = QStringLiteral("Set to defaults");
inline const QString FactoryDefaultsQuestion =
    QStringLiteral("The clock settings will be set to factory defaults. Is this ok?");
// What the reset changes on a clock of model `clockType`, and what it keeps.
QString FactoryDefaultsDetails(int clockType);

} // namespace tarvo
