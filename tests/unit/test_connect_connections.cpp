// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/connections.h"
#include "support/test_registry.h"

#include <QTest>

using namespace tarvo;

Q_DECLARE_METATYPE(tarvo::ClockConnection)
Q_DECLARE_METATYPE(tarvo::SearchGridRow)

namespace QTest
{
// A failing row comparison names every cell.
template <> inline char* toString(const tarvo::SearchGridRow& row)
{
    const QString text =
        QStringList{row.connection, row.type, row.model, row.device, row.inUse}.join(
            QStringLiteral(" | "));
    return qstrdup(text.toUtf8().constData());
}
} // namespace QTest

class TestConnections : public QObject
{
    Q_OBJECT

private slots:
    void listHoldsOneEntryPerLink()
    {
        Connections list;
        ClockConnection inUse = DiscoveredNetworkConnection(0x7F000005);
        inUse.ClockType = 2; // the clock in use has told its model
        AddConnection(list, inUse);
        AddConnection(list, SerialFindConnection(3, ModelOrFallback(1)));
        AddConnection(list, SerialFindConnection(
                                3, ModelOrFallback(2))); // the same port, another model's probe
        AddConnection(list, SerialFindConnection(4, ModelOrFallback(2)));
        AddConnection(list, DiscoveredNetworkConnection(0x7F000005)); // rediscovered
        AddConnection(list, DiscoveredNetworkConnection(0x7F000006));
        AddConnection(list, DiscoveredNetworkConnection(0x7F000006)); // answered twice
        QCOMPARE(list.size(), 4);
        // Found again, an entry keeps its place and what it knew.
        QCOMPARE(list[0], inUse);
        QCOMPARE(list[1], SerialFindConnection(3, ModelOrFallback(1)));
        QCOMPARE(list[2], SerialFindConnection(4, ModelOrFallback(2)));
        QCOMPARE(list[3].IPaddress, QStringLiteral("127.0.0.6"));
        ClearConnections(list);
        QVERIFY(list.isEmpty());
    }

    void entryLearnsTheModelItDidNotKnow()
    {
        Connections list;
        AddConnection(list, DiscoveredNetworkConnection(0x7F000009));
        ClockConnection known = DiscoveredNetworkConnection(0x7F000009);
        known.ClockType = 3;
        AddConnection(list, known);
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].ClockType, qint16(3));
    }

    void sameLink_data()
    {
        QTest::addColumn<ClockConnection>("a");
        QTest::addColumn<ClockConnection>("b");
        QTest::addColumn<bool>("same");
        const ClockConnection net = DiscoveredNetworkConnection(0x7F000005);
        ClockConnection spaced = net;
        spaced.IPaddress = QStringLiteral(" 127.0.0.5 ");
        spaced.Comport = 7; // a network entry's port means nothing
        ClockConnection named = net;
        named.IPaddress = QStringLiteral("clock.example");
        ClockConnection namedUpper = named;
        namedUpper.IPaddress = QStringLiteral("CLOCK.example");
        ClockConnection serialOne = SerialFindConnection(1, ModelOrFallback(1));
        ClockConnection serialOneNet = serialOne;
        serialOneNet.ConnectionType = ConnectionKind::Network;
        QTest::newRow("same address") << net << spaced << true;
        QTest::newRow("other address") << net << DiscoveredNetworkConnection(0x7F000006) << false;
        QTest::newRow("address and name") << net << named << false;
        QTest::newRow("name in any case") << named << namedUpper << true;
        QTest::newRow("same port, other model")
            << serialOne << SerialFindConnection(1, ModelOrFallback(4)) << true;
        QTest::newRow("other port")
            << serialOne << SerialFindConnection(2, ModelOrFallback(1)) << false;
        QTest::newRow("port and network") << serialOne << serialOneNet << false;
    }
    void sameLink()
    {
        QFETCH(ClockConnection, a);
        QFETCH(ClockConnection, b);
        QFETCH(bool, same);
        QCOMPARE(SameLink(a, b), same);
        QCOMPARE(SameLink(b, a), same);
    }

    void gridRow_data()
    {
        QTest::addColumn<int>("connectionType");
        QTest::addColumn<int>("comport");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("clockType");
        QTest::addColumn<bool>("inUse");
        QTest::addColumn<SearchGridRow>("row");
        QTest::newRow("network, model not known")
            << 1 << 0 << "127.0.0.7" << 0 << false
            << SearchGridRow{"127.0.0.7", "Network", "Unknown", "127.0.0.7", ""};
        QTest::newRow("serial in use")
            << 0 << 3 << "" << 2 << true
            << SearchGridRow{"Comport 3", "Serial Port", "229", "/dev/pts/9", "In use"};
        QTest::newRow("other type lists as serial")
            << 2 << 12 << "10.0.0.1" << 4 << false
            << SearchGridRow{"Comport 12", "Serial Port", "222", "/dev/pts/9", ""};
    }
    void gridRow()
    {
        QFETCH(int, connectionType);
        QFETCH(int, comport);
        QFETCH(QString, address);
        QFETCH(int, clockType);
        QFETCH(bool, inUse);
        QFETCH(SearchGridRow, row);
        ClockConnection entry;
        entry.ConnectionType = connectionType;
        entry.Comport = qint16(comport);
        entry.IPaddress = address;
        entry.ClockType = qint16(clockType);
        // The clock in use is another entry of the same link, as the search
        // finds it again: its model need not match.
        ClockConnection current = entry;
        current.ClockType = 1;
        ClockConnection elsewhere = SerialFindConnection(1, ModelOrFallback(1));
        const QString device = QStringLiteral("/dev/pts/9");
        QCOMPARE(SearchGridRowFor(entry, device, inUse ? &current : &elsewhere), row);
        if (inUse)
            QCOMPARE(SearchGridRowFor(entry, device, nullptr).inUse, QString());
    }

    // One connection in the singular; the plural is read in the search
    // window's tests (0, 2 and 3 found).
    void statusTextForOne()
    {
        QCOMPARE(SearchStatusText(1), QStringLiteral("Found 1 connection."));
    }
};

TARVO_TEST_CLASS(TestConnections)
#include "test_connect_connections.moc"
