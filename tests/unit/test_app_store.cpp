// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: defaults, the numeric-value rule and values that do not
// fit their type.
#include "app/settings_store.h"
#include "connect/numeric_value.h"
#include "support/test_registry.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvo;

class AppStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("leading blanks") << "   42" << 42.0;
        QTest::newRow("blanks inside") << "1 2" << 12.0;
        QTest::newRow("trailing text") << "12abc" << 12.0;
        QTest::newRow("text") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("negative") << "-7" << -7.0;
        QTest::newRow("fraction") << "2.75" << 2.75;
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumericValue(text), value);
    }

    // Halves go to the even neighbour as the store reads them (StoreOddValues,
    // "halves"); a number no whole value holds is no value at all.
    void roundingRefusesWhatNoWholeValueHolds() { QVERIFY(!RoundHalfEven(1e30).has_value()); }

    void savesAsText()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("s.conf");
        SettingsStore store(file);
        ClockConnection c;
        c.ConnectionType = 0;
        c.Comport = 3;
        c.ClockType = 2;
        c.IPaddress = QString();
        store.SaveConnectionSettings(c);
        QSettings raw(file, QSettings::IniFormat);
        QCOMPARE(raw.value("Settings/ConnectionType").toString(), QString("0"));
        QCOMPARE(raw.value("Settings/Comport").toString(), QString("3"));
        QCOMPARE(raw.value("Settings/ClockType").toString(), QString("2"));
        QVERIFY(raw.contains("Settings/IPaddress"));
        const auto loaded = store.Load();
        QCOMPARE(loaded.connection.Comport, qint16(3));
        QCOMPARE(loaded.connection.ClockType, qint16(2));
    }
};

TARVO_TEST_CLASS(AppStore)
#include "test_app_store.moc"
