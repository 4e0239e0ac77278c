#include "support/test_registry.h"
#include "connect/connections.h"

#include <QTest>

using namespace tarvo;

class TestConnections : public QObject
{
    Q_OBJECT

private slots:
    void listKeepsOrderAndDuplicates()
    {
        Connections list;
        const ClockConnection inUse = DiscoveredNetworkConnection(0x7F000005);
        AddConnection(list, inUse);
        AddConnection(list, SerialFindConnection(3, 1));
        AddConnection(list, SerialFindConnection(3, 2));
        AddConnection(list, inUse);
        QCOMPARE(list.size(), 4);
        QCOMPARE(list.first(), inUse);
        QCOMPARE(list.last(), inUse);
        QCOMPARE(list[2].ClockType, qint16(2));
        QCOMPARE(list[2].Comport, qint16(3));
        QCOMPARE(list[2].ConnectionType, ConnectionKind::Serial);
        QVERIFY(list[2].IPaddress.isEmpty());
        ClearConnections(list);
        QVERIFY(list.isEmpty());
    }

    void discoveredClock()
    {
        const ClockConnection c = DiscoveredNetworkConnection(0x7F00010A);
        QCOMPARE(c.ConnectionType, ConnectionKind::Network);
        QCOMPARE(c.Comport, qint16(0));
        QCOMPARE(c.IPAddressValue, 0x7F00010Au);
        QCOMPARE(c.IPaddress, QStringLiteral("127.0.1.10"));
        QCOMPARE(c.ClockType, qint16(0));
    }

    void gridRow_data()
    {
        QTest::addColumn<int>("connectionType");
        QTest::addColumn<int>("comport");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("type");
        QTest::newRow("network") << 1 << 0 << "127.0.0.7"
                                 << "127.0.0.7"
                                 << "Network";
        QTest::newRow("serial") << 0 << 3 << ""
                                << "Comport 3"
                                << "Serial Port";
        QTest::newRow("other type lists as serial") << 2 << 12 << "10.0.0.1"
                                                    << "Comport 12"
                                                    << "Serial Port";
    }
    void gridRow()
    {
        QFETCH(int, connectionType);
        QFETCH(int, comport);
        QFETCH(QString, address);
        QFETCH(QString, connection);
        QFETCH(QString, type);
        ClockConnection entry;
        entry.ConnectionType = connectionType;
        entry.Comport = qint16(comport);
        entry.IPaddress = address;
        QCOMPARE(SearchGridRowFor(entry), (SearchGridRow{connection, type}));
    }

    void statusText_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "Found 0 connections.";
        QTest::newRow("1") << 1 << "Found 1 connection.";
        QTest::newRow("2") << 2 << "Found 2 connections.";
    }
    void statusText()
    {
        QFETCH(int, count);
        QFETCH(QString, text);
        QCOMPARE(SearchStatusText(count), text);
    }
};

TARVO_TEST_CLASS(TestConnections)
#include "test_connect_connections.moc"
