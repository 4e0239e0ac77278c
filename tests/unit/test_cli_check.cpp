// SPDX-License-Identifier: GPL-3.0-or-later
// check settings against a golden file: each field is compared with the same
// field, also where one side's relay is off and so has no time.
#include "cli/cli.h"
#include "support/test_registry.h"

#include <QJsonArray>
#include <QtTest>

using namespace tarvo;

class CliCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fieldsArePairedByName()
    {
        const auto relays = [](bool firstOn) {
            QJsonArray list;
            list.append(firstOn ? QJsonObject{{"enabled", true}, {"time", "10:00"}}
                                : QJsonObject{{"enabled", false}});
            list.append(QJsonObject{{"enabled", true}, {"time", "20:00"}});
            return list;
        };
        const QJsonObject clock{{"timeZone", "-5"}, {"relays", relays(true)}, {"hour24", true}};
        const QJsonObject golden{{"timeZone", "-5"}, {"relays", relays(false)}, {"hour24", true}};
        const QList<SettingsMismatch> m = CompareWithGolden(clock, golden);
        QCOMPARE(m.size(), qsizetype(1));
        QCOMPARE(m[0].field, QStringLiteral("relays[0].enabled"));
        QCOMPARE(m[0].clock, QJsonValue(true));
        QCOMPARE(m[0].golden, QJsonValue(false));

        // The other way round the golden time has no counterpart on the clock.
        const QList<SettingsMismatch> back = CompareWithGolden(golden, clock);
        QCOMPARE(back.size(), qsizetype(2));
        QCOMPARE(back[1].field, QStringLiteral("relays[0].time"));
        QVERIFY(back[1].clock.isUndefined());
        QVERIFY(CompareWithGolden(clock, clock).isEmpty());
    }
};

TARVO_TEST_CLASS(CliCheck)
#include "test_cli_check.moc"
