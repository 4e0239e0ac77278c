// SPDX-License-Identifier: GPL-3.0-or-later
// The address entry, typed into from the keyboard as the operator does.
#include "app/panel.h"
#include "support/test_registry.h"
#include "ui/frmAddNetworkConnection.h"
#include "ui/ip_address_edit.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvo;

class ConnectWidgets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typingReportsEachOctet_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("reports"); // position * 1000 + value
        QTest::newRow("dots move on") << "10.1.2.3"
                                      << "10.1.2.3" << QList<int>{1001, 1010, 2001, 3002, 4003};
        QTest::newRow("three digits move on")
            << "192168001254"
            << "192.168.1.254"
            << QList<int>{1001, 1019, 1192, 2001, 2016, 2168, 3000, 3000, 3001, 4002, 4025, 4254};
        QTest::newRow("no octet above 255") << "256"
                                            << "255.0.0.0" << QList<int>{1002, 1025, 1255};
    }
    void typingReportsEachOctet()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QList<int>, reports);
        IpAddressEdit entry(QStringLiteral("Server IP Address:"));
        entry.show();
        for (int i = 1; i <= 4; ++i)
            entry.field(i)->clear();
        QList<int> seen;
        connect(&entry, &IpAddressEdit::fieldChanged, this,
                [&](int position, int value) { seen << position * 1000 + value; });
        entry.field(1)->setFocus();
        QApplication::setActiveWindow(&entry);
        for (QChar c : keys)
            QTest::keyClick(entry.focusWidget(), c.toLatin1());
        QCOMPARE(entry.text(), text);
        QCOMPARE(seen, reports);
    }

    // The dialog opens on "0.0.0.0": typed digits replace a field's zeros,
    // and the dot after three digits is the one the entry already moved past.
    void addConnectionTypingReplacesTheZeros_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("dots after three digits") << "192.168.1.5"
                                                 << "192.168.1.5";
        QTest::newRow("no dots") << "192168001254"
                                 << "192.168.1.254";
        QTest::newRow("a zero octet") << "10.0.0.7"
                                      << "10.0.0.7";
    }
    void addConnectionTypingReplacesTheZeros()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QTemporaryDir dir;
        Panel::Options o;
        o.serialDevicesGiven = true;
        o.settingsFile = dir.filePath(QStringLiteral("s.conf"));
        o.logSystemClock = true;
        Panel panel(o);
        frmAddNetworkConnection dialog(panel);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.Address()->text(), QStringLiteral("0.0.0.0"));
        // Sent to whichever field has the focus, as the keyboard does.
        QTest::keyClicks(nullptr, keys);
        QCOMPARE(dialog.Address()->text(), text);
    }
};

TARVO_TEST_CLASS(ConnectWidgets)
#include "test_connect_widgets.moc"
