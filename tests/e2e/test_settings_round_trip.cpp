// SPDX-License-Identifier: GPL-3.0-or-later
// The clock settings through the real window: edit the controls, send, ask
// the simulated clock again and see its new values in the controls; factory
// defaults over both links.
#include "clock/master_record.h"
#include "link/bytes.h"
#include "sim_records.h"
#include "support/settings_helpers.h"
#include "support/test_registry.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QtTest>

using namespace tarvo;

namespace
{
bool Ticked(QWidget& w, const QString& name)
{
    auto* box = Control<QAbstractButton>(w, name);
    return box && box->isChecked();
}
} // namespace

class SettingsRoundTrip : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serialSendThenReconnectShowsTheClocksValues();
    void networkSendThenRequestShowsTheClocksValues();
    void aSettingTheClockDoesNotKeepIsNamed();
    void factoryDefaults_data();
    void factoryDefaults();
};

void SettingsRoundTrip::serialSendThenReconnectShowsTheClocksValues()
{
    Harness h;
    SimOptions o;
    o.model = 222;
    o.serial = true;
    o.reportMs = 0;
    SimulatedClock& clock = h.AddClock(o);
    h.SaveConnection(0, 1, 4);
    frmControlPanel& w = h.Start();
    // The clock's own values reach the controls at the connect.
    QVERIFY(Harness::WaitFor([&] { return ShownEntry(w, "cmbTimeZone").startsWith("-5 "); }, 5000));
    QCOMPARE(Control<QLineEdit>(w, "txtPhoneNumber")->text(), QStringLiteral("5550123"));
    QVERIFY(Ticked(w, "chkRelayEnable2"));
    Harness::WaitFor([] { return false; }, 1000); // the connect's answers are all in

    QVERIFY(ChooseEntry(w, "cmbTimeZone", "+5.5"));
    QVERIFY(ChooseEntry(w, "cmbSecondOffset", "-3"));
    QVERIFY(ChooseEntry(w, "cmbSMPTEmode", "EBU"));
    QVERIFY(ChooseEntry(w, "cmbUpdatesPerDay", " 3 "));
    w.ClockTabs()->setCurrentIndex(frmControlPanel::PageSyncRelays);
    QTest::mouseClick(Control<QCheckBox>(w, "chkRelayEnable2"), Qt::LeftButton);
    QVERIFY(!Control<QTimeEdit>(w, "dtpRelay2")->isEnabled());
    Control<QTimeEdit>(w, "dtpRelay3")->setTime(QTime(0, 12, 34));
    Control<QLineEdit>(w, "txtPhoneNumber")->setText("(555) 867-5309");
    ClickOn(w, "imageBTNSend");

    QVERIFY(Harness::WaitFor([&] { return ByteAt(clock.State().MasterRecord(), 40) == 3; }, 3000));
    const QByteArray record = clock.State().MasterRecord();
    QCOMPARE(ByteAt(record, 0) & 63, 53);
    QCOMPARE((ByteAt(record, 15) >> 2) & 31, 7); // -3 is code 7 on the 222
    QCOMPARE(ByteAt(record, 2) & 7, 2);
    QVERIFY(ByteAt(record, 9) >= 60); // relay 2 off
    QCOMPARE(ByteAt(record, 11), quint8(34));
    QCOMPARE(ByteAt(record, 12), quint8(12));
    QCOMPARE(record.mid(18, 10), QByteArray::fromHex("05050508060705030009"));
    QCOMPARE(ByteAt(record, 28) & 15, 15); // the number ends after ten digits
    // The clock is read back and the operator told it all took.
    QVERIFY2(Harness::WaitFor([&] { return h.Status() == ConfirmAllTakenText; }, 5000),
             qPrintable(h.Status()));

    // Show something else, then connect again: the controls follow the clock.
    QVERIFY(ChooseEntry(w, "cmbTimeZone", "+1"));
    QVERIFY(ChooseEntry(w, "cmbSMPTEmode", "SMPTE Drop Frame"));
    Control<QLineEdit>(w, "txtPhoneNumber")->clear();
    Spawn(&h.Core(), h.Core().ConnectViaSerial());
    QVERIFY(Harness::WaitFor([&] { return ShownEntry(w, "cmbTimeZone") == "+5.5"; }, 3000));
    QCOMPARE(ShownEntry(w, "cmbSecondOffset"), QStringLiteral("-3"));
    QCOMPARE(ShownEntry(w, "cmbSMPTEmode"), QStringLiteral("EBU"));
    QCOMPARE(ShownEntry(w, "cmbUpdatesPerDay"), QStringLiteral(" 3 "));
    QVERIFY(!Ticked(w, "chkRelayEnable2"));
    QCOMPARE(Control<QTimeEdit>(w, "dtpRelay3")->time(), QTime(0, 12, 34));
    QCOMPARE(Control<QLineEdit>(w, "txtPhoneNumber")->text(), QStringLiteral("5558675309"));
    QCOMPARE(h.State().clockSettings.TimeZoneCode, quint8(53));
}

void SettingsRoundTrip::networkSendThenRequestShowsTheClocksValues()
{
    Harness h;
    SimOptions o;
    o.model = 207;
    o.udpAddress = "127.0.61.5";
    SimulatedClock& clock = h.AddClock(o);
    h.SaveConnection(1, 1, 3, "127.0.61.5");
    frmControlPanel& w = h.Start({"127.0.61.1"});
    QVERIFY(Harness::WaitFor([&] { return Ticked(w, "optRisingEdge"); }, 5000));
    QVERIFY(Ticked(w, "chkResyncEnable"));

    QTest::mouseClick(Control<QRadioButton>(w, "optFallingEdge"), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(w, "optDisplay12Hour"), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>(w, "chkResyncEnable"), Qt::LeftButton);
    QVERIFY(!Control<QTimeEdit>(w, "dtpResyncTime")->isEnabled());
    QVERIFY(ChooseEntry(w, "cmbDriftWindow", "12 Frames"));
    QVERIFY(ChooseEntry(w, "cmbSubSecondOffset", "-120"));
    ClickOn(w, "imageBTNSend");

    QVERIFY(Harness::WaitFor([&] { return ByteAt(clock.State().MasterRecord(), 6) == 62; }, 3000));
    const QByteArray record = clock.State().MasterRecord();
    QCOMPARE(ByteAt(record, 15) & 6, 0);      // 12-hour display, falling edge
    QCOMPARE(ByteAt(record, 2) & 0x78, 0x70); // resync off, 12-frame window
    QVERIFY2(Harness::WaitFor([&] { return h.Status() == ConfirmAllTakenText; }, 5000),
             qPrintable(h.Status()));

    QTest::mouseClick(Control<QRadioButton>(w, "optRisingEdge"), Qt::LeftButton);
    QVERIFY(ChooseEntry(w, "cmbSubSecondOffset", "0"));
    Spawn(&h.Core(), h.Core().RequestSettingsViaNetwork());
    QVERIFY(Harness::WaitFor([&] { return Ticked(w, "optFallingEdge"); }, 3000));
    QCOMPARE(ShownEntry(w, "cmbSubSecondOffset"), QStringLiteral("-120"));
    QVERIFY(Ticked(w, "optDisplay12Hour"));
    QVERIFY(!Ticked(w, "chkResyncEnable"));
    QCOMPARE(ShownEntry(w, "cmbDriftWindow"), QStringLiteral("12 Frames"));
    QCOMPARE(h.State().clockSettings.RisingEdge, quint8(0));
}

void SettingsRoundTrip::aSettingTheClockDoesNotKeepIsNamed()
{
    Harness h;
    SimOptions o;
    o.model = 229;
    o.serial = true;
    o.reportMs = 0;
    SimulatedClock& clock = h.AddClock(o);
    h.SaveConnection(0, 1, 2);
    frmControlPanel& w = h.Start();
    QVERIFY(Harness::WaitFor([&] { return ShownEntry(w, "cmbTimeZone").startsWith("-5 "); }, 5000));
    Harness::WaitFor([] { return false; }, 1000); // the connect's answers are all in
    const quint8 before = ByteAt(clock.State().MasterRecord(), 0);

    // This clock puts its time zone back as soon as it is changed; its other
    // settings take.
    connect(&clock, &SimulatedClock::FrameApplied, this, [&clock, before] {
        QByteArray record = clock.State().MasterRecord();
        if (ByteAt(record, 0) != before) {
            SetByte(record, 0, before);
            clock.State().SetMasterRecord(record);
        }
    });
    QVERIFY(ChooseEntry(w, "cmbTimeZone", "+5.5"));
    QVERIFY(ChooseEntry(w, "cmbSMPTEmode", "EBU"));
    ClickOn(w, "imageBTNSend");
    QVERIFY(
        Harness::WaitFor([&] { return ByteAt(clock.State().MasterRecord(), 2) % 8 == 2; }, 3000));
    QVERIFY(
        Harness::WaitFor([&] { return h.Status().startsWith(u"The clock did not take"); }, 5000));
    QCOMPARE(h.Status(), QStringLiteral("The clock did not take: Timezone."));

    // A silent clock confirms nothing, and the status says so.
    clock.SetSilent(true);
    QVERIFY(ChooseEntry(w, "cmbSMPTEmode", "SMPTE Drop Frame"));
    ClickOn(w, "imageBTNSend");
    QVERIFY(Harness::WaitFor([&] { return h.Status() == ConfirmNoAnswerText; }, 8000));
}

void SettingsRoundTrip::factoryDefaults_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<bool>("yes");
    QTest::newRow("serial, no") << false << false;
    QTest::newRow("serial, yes") << false << true;
    QTest::newRow("network, yes") << true << true;
}

void SettingsRoundTrip::factoryDefaults()
{
    QFETCH(bool, network);
    QFETCH(bool, yes);
    static int run = 0;
    const QString address = QStringLiteral("127.0.62.%1").arg(10 + run++);
    Harness h;
    SimOptions o;
    o.model = 229;
    o.serial = !network;
    o.reportMs = 0;
    if (network)
        o.udpAddress = address;
    SimulatedClock& clock = h.AddClock(o);
    QByteArray changed = FactoryMasterRecord(2);
    SetByte(changed, 0, 16 + 9); // +9
    clock.State().SetMasterRecord(changed);
    h.SaveConnection(network ? 1 : 0, 1, 2, network ? address : QString());
    frmControlPanel& w = h.Start({QStringLiteral("127.0.62.1")});
    QVERIFY(Harness::WaitFor([&] { return ShownEntry(w, "cmbTimeZone") == "+9"; }, 5000));
    Harness::WaitFor([] { return false; }, 1000); // the connect's answers are all in

    h.Boxes().answers = {yes};
    ClickOn(w, "imageBTNdefault");
    QCOMPARE(h.Boxes().shown.value(0),
             QStringLiteral("Set to defaults|The clock settings will be set to factory "
                            "defaults. Is this ok?"));
    // Asked as a warning that says what the reset changes and what it keeps.
    QCOMPARE(h.Boxes().warned, QStringList{QStringLiteral("Set to defaults")});
    QVERIFY(h.Boxes().details.value(0).contains(QStringLiteral("second offsets and display")));
    QVERIFY(h.Boxes().details.value(0).contains(
        QStringLiteral("network settings and passwords stay as they are")));
    if (!yes) {
        QTest::qWait(1500);
        QCOMPARE(clock.State().MasterRecord(), changed);
        return;
    }
    QVERIFY(Harness::WaitFor([&] { return clock.State().MasterRecord() == FactoryMasterRecord(2); },
                             3000));
    // The pages show what the reset left on either link: a send afterwards
    // must not put the old settings back.
    QVERIFY(Harness::WaitFor([&] { return ShownEntry(w, "cmbTimeZone").startsWith("-5 "); }));
    QVERIFY(Harness::WaitFor(
        [&] {
            return h.Status() ==
                   QStringLiteral("The clock answered after the reset to factory defaults.");
        },
        5000));
}

TARVO_TEST_CLASS(SettingsRoundTrip)
#include "test_settings_round_trip.moc"
