// SPDX-License-Identifier: GPL-3.0-or-later
// The sentence a settings read-back ends in: the operator reads the window's
// captions, each once, in the order the comparison found them.
#include "app/panel.h"
#include "support/test_registry.h"

#include <QtTest>

using namespace tarvo;

class AppConfirm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesWhatTheClockDidNotTake()
    {
        QCOMPARE(SettingsConfirmation(false, {}), ConfirmNoAnswerText);
        QCOMPARE(SettingsConfirmation(true, {}), ConfirmAllTakenText);
        const QStringList differences = {
            QStringLiteral("timeZone: wanted \"+2\", the clock has \"-5\""),
            QStringLiteral("relays[1].enabled: wanted true, the clock has false"),
            QStringLiteral("relays[1].time: wanted \"12:00\", the clock has nothing"),
            QStringLiteral("relays[3].enabled: wanted false, the clock has true"),
            QStringLiteral("modem.callTime: wanted \"02:30\", the clock has \"00:00\""),
            QStringLiteral("somethingNew: wanted 1, the clock has 2"),
        };
        QCOMPARE(SettingsConfirmation(true, differences),
                 QStringLiteral("The clock did not take: Timezone, Relay 2, Relay 4, Call Time, "
                                "somethingNew."));
    }
};

TARVO_TEST_CLASS(AppConfirm)
#include "test_app_confirm.moc"
