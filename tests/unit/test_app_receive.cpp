// SPDX-License-Identifier: GPL-3.0-or-later
// The receive paths of the program core, fed directly (no port, no socket):
// frames by end byte and length, datagrams by first byte, and the flags and
// texts each one leads to; then the time report and the computer-clock rule.
#include "app/message_boxes.h"
#include "app/panel.h"
#include "app/system_clock.h"
#include "clock/time_report.h"
#include "link/datagram.h"
#include "link/serial_frame.h"
#include "support/panel_access.h"
#include "support/test_registry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvo;

namespace
{
// What the window would show, from the core's signals.
struct FakeView {
    QString status;
    QString incoming;
    bool incomingValid = false;
    int gpsCalls = 0;
    bool gpsLocked = false;
    void Follow(Panel& panel)
    {
        QObject::connect(&panel, &Panel::StatusShown, &panel,
                         [this](const QString& text) { status = text; });
        QObject::connect(&panel, &Panel::IncomingTimeShown, &panel,
                         [this](const QString& text, bool valid) {
                             incoming = text;
                             incomingValid = valid;
                         });
        QObject::connect(&panel, &Panel::GpsRuleChanged, &panel, [this](bool locked) {
            ++gpsCalls;
            gpsLocked = locked;
        });
    }
};

struct FakeClock : SystemClock {
    int sets = 0;
    bool fail = false;
    QStringList lines; // "computer clock set to ..." as the logging clock writes it
    QTime lastTime;
    QDate lastDate;
    bool Set(const QDateTime& local, QString* error) override
    {
        if (fail || !local.isValid()) {
            *error = QStringLiteral("refused");
            return false;
        }
        ++sets;
        lines << QStringLiteral("computer clock set to ") +
                     local.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss"));
        lastTime = local.time();
        lastDate = local.date();
        return true;
    }
};

QByteArray Report(int h, int m, int s, int day, int month, int year, int gps = 0)
{
    QByteArray r(12, '\0');
    r[5] = char(s);
    r[6] = char(day);
    r[7] = char(month);
    r[8] = char(year);
    r[9] = char(h);
    r[10] = char(m);
    r[11] = char(gps);
    return r;
}

// The clock the datagram tests talk to: 127.0.0.9.
constexpr quint32 kClockAddress = 0x7F000009;

QByteArray Frame(quint8 end, const QByteArray& payload)
{
    return BuildIncomingFrame(end, payload);
}
} // namespace

class AppReceive : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<Panel> m_panel;
    FakeView m_view;
    FakeClock m_clock;

    ProgramState& State() { return PanelTestAccess::State(*m_panel); }

private Q_SLOTS:
    void init()
    {
        Panel::Options options;
        options.settingsFile = m_dir.filePath("store.conf");
        // These reports name days years apart: every step is let through.
        options.largeStepSeconds = std::numeric_limits<qint64>::max() / 2000;
        QFile::remove(options.settingsFile);
        m_panel = std::make_unique<Panel>(options);
        m_view = FakeView();
        m_clock = FakeClock();
        m_view.Follow(*m_panel);
        m_panel->SetSystemClock(&m_clock);
        m_panel->FormLoad();
        // The serial frames below answer a clock on the serial link; the
        // datagram cases connect to their own address.
        State().clockConnection.ConnectionType = ConnectionKind::Serial;
    }

    void timeReportNeedsTwelveBytes()
    {
        m_panel->Session().InjectSerialBytes(Frame(0xFE, Report(14, 5, 9, 7, 3, 6)));
        QCOMPARE(m_view.incoming, QStringLiteral(" 03-07-2006  14:05:09 "));
        QVERIFY(m_view.incomingValid);
        m_view.incoming.clear();
        // Eleven bytes or thirteen: no report.
        m_panel->Session().InjectSerialBytes(Frame(0xFE, Report(14, 5, 9, 7, 3, 6).left(11)));
        m_panel->Session().InjectSerialBytes(Frame(0xFE, Report(14, 5, 9, 7, 3, 6) + '\x01'));
        QVERIFY(m_view.incoming.isEmpty());
        // While a search probes, time reports are not shown.
        State().SearchInProgress = true;
        m_panel->Session().InjectSerialBytes(Frame(0xFE, Report(14, 5, 9, 7, 3, 6)));
        QVERIFY(m_view.incoming.isEmpty());
    }

    void settingsFrameOnlyAfterConnect()
    {
        ProgramState& s = State();
        QSignalSpy master(m_panel.get(), &Panel::SettingsDecoded);
        QByteArray record(41, '\x05');
        // Not requested: only noted.
        m_panel->Session().InjectSerialBytes(Frame(0xFC, record));
        QVERIFY(!s.ClockFound);
        QCOMPARE(master.count(), 0);
        // Requested: applied once, connection saved, status shown.
        s.SettingsRequested = true;
        s.clockConnection.Comport = 3;
        m_panel->Session().InjectSerialBytes(Frame(0xFC, record + QByteArray(5, '\x01')));
        QCOMPARE(master.count(), 1);
        QCOMPARE(s.ClockSettingsCopy, record);
        QVERIFY(s.ClockFound);
        QVERIFY(!s.SettingsRequested);
        QCOMPARE(m_view.status, QStringLiteral("Clock Found on Comport 3"));
        QCOMPARE(m_panel->Store().Load().connection.Comport, qint16(3));
        // A second frame is not applied again.
        m_panel->Session().InjectSerialBytes(Frame(0xFC, QByteArray(41, '\x07')));
        QCOMPARE(master.count(), 1);
        QCOMPARE(s.ClockSettingsCopy, record);
    }

    void endByteWithoutStartChangesNoFlag()
    {
        ProgramState& s = State();
        s.SettingsRequested = true;
        m_panel->Session().InjectSerialBytes(QByteArray("\x01\x02\xFC", 3));
        QVERIFY(s.SettingsRequested);
        QCOMPARE(m_panel->Session().Decoder().Reassembler().RxCount(), 0);
    }

    void settingsFrameWhileSending()
    {
        ProgramState& s = State();
        s.SettingsRequested = true;
        s.SendingSettings = true;
        QSignalSpy master(m_panel.get(), &Panel::SettingsDecoded);
        m_panel->Session().InjectSerialBytes(Frame(0xFC, QByteArray(41, '\0')));
        QCOMPARE(master.count(), 0);
        QVERIFY(!s.SettingsRequested);
    }

    void dstFrameDuringSearchIsOnlyNoted()
    {
        ProgramState& s = State();
        s.SearchInProgress = true;
        QSignalSpy dst(m_panel.get(), &Panel::DstDatesReceived);
        m_panel->Session().InjectSerialBytes(
            BuildIncomingFrame(0xF8, QByteArray(101, '\x03'), 0xF9));
        QVERIFY(!s.ClockFound);
        QCOMPARE(dst.count(), 0);
        s.SearchInProgress = false;
        m_panel->Session().InjectSerialBytes(
            BuildIncomingFrame(0xF8, QByteArray(101, '\x03'), 0xF9));
        QCOMPARE(dst.count(), 1);
        QVERIFY(s.ClockFound);
        m_panel->Session().InjectSerialBytes(
            BuildIncomingFrame(0xF8, QByteArray(100, '\x03'), 0xF9));
        QCOMPARE(dst.count(), 1);
    }

    void networkSettingsOverSerialAreUnpacked()
    {
        ProgramState& s = State();
        QByteArray payload(768, '\0');
        // Record byte 0 = 0xC0 (192), low nibble first; the nibble pairs of the
        // whole payload are TestNetworkSettings::unpackJoinsNibblePairs'.
        payload[0] = 0x0;
        payload[1] = 0xC;
        s.clockConnection.Comport = 2;
        m_panel->Session().InjectSerialBytes(Frame(0xFA, payload));
        QCOMPARE(quint8(s.NetworkData[0]), quint8(192));
        QVERIFY(s.NetworkSettingsPresent);
        QVERIFY(s.ClockFound);
        QCOMPARE(m_view.status, QStringLiteral("Clock Found on Comport 2"));
        // All zero: the clock has no network option.
        m_panel->Session().InjectSerialBytes(Frame(0xFA, QByteArray(768, '\0')));
        QVERIFY(!s.NetworkSettingsPresent);
    }

    void datagramsRouteByFirstByte()
    {
        ProgramState& s = State();
        s.clockConnection.ConnectionType = ConnectionKind::Network;
        s.clockConnection.IPaddress = QStringLiteral("127.0.0.9");
        m_panel->ApplyConnection();
        QByteArray d(256, '\0');
        d[0] = char(0xFF);
        m_panel->Session().InjectDatagram(QByteArrayView(d).first(131), kClockAddress);
        QVERIFY(s.ClockFound);
        QVERIFY(s.PasswordRefused);
        QVERIFY(!s.PasswordPromptShown);
        QCOMPARE(m_view.status, QStringLiteral("Clock found at 127.0.0.9"));

        QSignalSpy master(m_panel.get(), &Panel::SettingsDecoded);
        d[0] = 3;
        for (int i = 0; i < 16; ++i)
            d[5 + i] = char(i + 1);
        m_panel->Session().InjectDatagram(QByteArrayView(d).first(131), kClockAddress);
        QVERIFY(!s.PasswordRefused);
        QCOMPARE(master.count(), 1);

        s.PasswordRefused = true;
        d[0] = 0;
        d[5 + 91] = char(207);
        d[5 + 125] = char(0x55);
        s.NetworkData[126] = char(0x66);
        m_panel->Session().InjectDatagram(QByteArrayView(d).first(131), kClockAddress);
        QVERIFY(!s.PasswordRefused);
        QCOMPARE(s.clockConnection.ClockType, qint16(3));
        QCOMPARE(quint8(s.NetworkData[125]), quint8(0x55));
        QCOMPARE(quint8(s.NetworkData[126]), quint8(0x66));
        d[5 + 91] = char(222);
        m_panel->Session().InjectDatagram(QByteArrayView(d).first(131), kClockAddress);
        QCOMPARE(s.clockConnection.ClockType, qint16(3));
    }

    void dstDatagramHeaderIsReversed()
    {
        State().clockConnection.ConnectionType = ConnectionKind::Network;
        State().clockConnection.IPaddress = QStringLiteral("127.0.0.9");
        m_panel->ApplyConnection();
        QSignalSpy dst(m_panel.get(), &Panel::DstDatesReceived);
        QByteArray d(256, '\0');
        d[0] = 0x0D;
        for (int i = 5; i <= 9; ++i)
            d[i] = char(i);
        d[10] = 9;
        d[105] = 2;
        m_panel->Session().InjectDatagram(QByteArrayView(d).first(131), kClockAddress);
        QCOMPARE(dst.count(), 1);
        const QByteArray record = State().LastDstRecord;
        QCOMPARE(record.size(), 101);
        QCOMPARE(record.left(5), QByteArray("\x09\x08\x07\x06\x05", 5));
        QCOMPARE(quint8(record[5]), quint8(9));
        QCOMPARE(quint8(record[100]), quint8(2));
    }

    void searchTakesEveryDatagramAsDiscovery()
    {
        ProgramState& s = State();
        s.SearchInProgress = true;
        QSignalSpy discovery(m_panel.get(), &Panel::DiscoveryAnswer);
        QByteArray d(256, '\0');
        d[0] = 3;
        m_panel->Session().InjectDatagram(QByteArrayView(d).first(131), 0x7F000005, 40000);
        QCOMPARE(discovery.count(), 1);
        QCOMPARE(discovery.at(0).at(0).toUInt(), 0x7F000005u);
        QVERIFY(!s.ClockFound);
        m_panel->Session().InjectDatagram(QByteArrayView(d).first(0), 0x7F000005, 40000);
        QCOMPARE(discovery.count(), 1);
    }

    void secondSearchIsRefusedWhileOneRuns()
    {
        // A search started while another runs must not probe on top of it.
        QSignalSpy progress(m_panel.get(), &Panel::SearchProgress);
        QVERIFY(m_panel->SearchForClocks(1));
        QVERIFY(m_panel->RunningSearch());
        QVERIFY(!m_panel->SearchForClocks(1));
        QVERIFY(QTest::qWaitFor([&] { return !m_panel->RunningSearch(); }, 10000));
        QCOMPARE(progress.count(), 1); // one listening window only
        QVERIFY(!State().SearchInProgress);
    }

    void reportValidity_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ok") << Report(23, 59, 59, 31, 12, 99) << true;
        QTest::newRow("hour 24") << Report(24, 0, 0, 1, 1, 6) << false;
        QTest::newRow("minute 60") << Report(1, 60, 0, 1, 1, 6) << false;
        QTest::newRow("month 0") << Report(1, 1, 0, 1, 0, 6) << false;
        QTest::newRow("day 0") << Report(1, 1, 0, 0, 1, 6) << false;
        QTest::newRow("year 2100") << Report(1, 1, 0, 1, 1, 100) << false;
        QTest::newRow("31 February passes") << Report(1, 1, 0, 31, 2, 6) << true;
    }
    void reportValidity()
    {
        QFETCH(QByteArray, report);
        QFETCH(bool, valid);
        QCOMPARE(DecodeTimeReport(report).valid, valid);
        m_panel->HandleTimeReport(report);
        QCOMPARE(m_view.incomingValid, valid);
        if (!valid)
            QCOMPARE(m_view.incoming, QStringLiteral("Time Not Available  "));
    }

    void gpsRuleOnlyForModel226()
    {
        State().clockConnection.ClockType = 1;
        m_panel->HandleTimeReport(Report(1, 2, 3, 4, 5, 6, 1));
        QVERIFY(m_view.gpsLocked);
        State().clockConnection.ClockType = 2;
        m_panel->HandleTimeReport(Report(1, 2, 3, 4, 5, 6, 1));
        QVERIFY(!m_view.gpsLocked);
    }

    void computerClockFollowsEveryTwentiethReport()
    {
        m_panel->SetUpdatePcClock(1);
        QList<int> setOn;
        for (int n = 1; n <= 45; ++n) {
            const int before = m_clock.sets;
            m_panel->HandleTimeReport(Report(10, 0, n % 60, 7, 3, 6));
            if (m_clock.sets != before)
                setOn << n;
        }
        QCOMPARE(setOn, (QList<int>{5, 25, 45}));
        QCOMPARE(m_clock.lastTime, QTime(10, 0, 45));
        QCOMPARE(m_clock.lastDate, QDate(2006, 3, 7));
        // Unticked: never set, and the store keeps "0".
        m_panel->SetUpdatePcClock(0);
        for (int n = 0; n < 30; ++n)
            m_panel->HandleTimeReport(Report(10, 0, 1, 7, 3, 6));
        QCOMPARE(m_clock.sets, 3);
        QCOMPARE(m_panel->Store().Load().UpdatePCclock, qint16(0));
    }

    // Each report sets the computer clock (the countdown is put at its last
    // step); every setting is the clock's date and time together, on either
    // side of a midnight that ends the day, the month and the year.
    void computerClockIsSetToTheReportsDateAndTimeTogether()
    {
        m_panel->SetUpdatePcClock(1);
        for (const QByteArray& report :
             {Report(23, 59, 59, 31, 12, 26), Report(0, 0, 0, 1, 1, 27)}) {
            State().SetTimeCountdown = 1;
            m_panel->HandleTimeReport(report);
        }
        QCOMPARE(m_clock.lines, (QStringList{"computer clock set to 12-31-2026 23:59:59",
                                             "computer clock set to 01-01-2027 00:00:00"}));
    }

    // A step of the computer clock beyond the limit is asked about while the
    // window is shown and skipped, said and logged while it is hidden; every
    // step taken is logged with its size.
    void largeStepIsAskedFirstOrSkipped()
    {
        struct Boxes : MessageBoxes {
            QStringList asked;
            Task<bool> AskYesNo(const QString&, const QString& text) override
            {
                asked << text;
                co_return false;
            }
            void Inform(const QString&, const QString&) override {}
            void Critical(const QString&, const QString&) override {}
        } boxes;
        Panel::Options options;
        options.settingsFile = m_dir.filePath("large.conf");
        Panel panel(options);
        panel.SetSystemClock(&m_clock);
        panel.SetMessageBoxes(&boxes);
        panel.FormLoad();
        panel.SetUpdatePcClock(1);
        const auto reportAt = [](const QDateTime& t) {
            return Report(t.time().hour(), t.time().minute(), t.time().second(), t.date().day(),
                          t.date().month(), t.date().year() - 2000);
        };
        const QDateTime behind = QDateTime::currentDateTime().addSecs(-7 * 3600);
        for (int n = 0; n < 5; ++n)
            panel.HandleTimeReport(reportAt(behind));
        QCOMPARE(boxes.asked.size(), 1);
        QVERIFY2(boxes.asked[0].contains(u"7 hours behind"), qPrintable(boxes.asked[0]));
        QCOMPARE(m_clock.sets, 0);

        panel.SetUpdatePcClock(1); // ticked again: may ask again, but the window is hidden
        panel.SetWindowShown(false);
        QSignalSpy status(&panel, &Panel::StatusShown);
        for (int n = 0; n < 5; ++n)
            panel.HandleTimeReport(reportAt(behind));
        QCOMPARE(boxes.asked.size(), 1);
        QCOMPARE(m_clock.sets, 0);
        QVERIFY(!status.isEmpty() &&
                status.last().at(0).toString().contains(u"computer clock was not set"));

        PanelTestAccess::State(panel).SetTimeCountdown = 1;
        panel.HandleTimeReport(reportAt(QDateTime::currentDateTime()));
        QCOMPARE(m_clock.sets, 1);
        QStringList log;
        for (const EventEntry& e : panel.Events().Entries())
            if (e.kind == EventKind::ComputerClock)
                log << e.text;
        QCOMPARE(log.size(), 3);
        QVERIFY2(log.last().contains(u"a step of "), qPrintable(log.join(u'\n')));
    }

    void impossibleDateFailsAndShowsTheReportUnusable()
    {
        m_panel->SetUpdatePcClock(1);
        // 31 February reaches the clock setting and fails: the label shows the
        // report as unusable and the countdown has been reloaded.
        for (int n = 0; n < 4; ++n)
            m_panel->HandleTimeReport(Report(1, 0, 0, 7, 3, 6));
        const int gpsBefore = m_view.gpsCalls;
        m_panel->HandleTimeReport(Report(1, 0, 0, 31, 2, 6));
        QCOMPARE(m_clock.sets, 0);
        QCOMPARE(m_view.incoming, QStringLiteral("Time Not Available  "));
        QCOMPARE(m_view.gpsCalls, gpsBefore);
        QCOMPARE(State().SetTimeCountdown, qint16(20));
    }
};

TARVO_TEST_CLASS(AppReceive)
#include "test_app_receive.moc"
