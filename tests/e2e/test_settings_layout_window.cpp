// SPDX-License-Identifier: GPL-3.0-or-later
// The layout routine on the real window: model fields, unavailable pages,
// and the focus moves of a page change.
#include "support/panel_access.h"
#include "support/settings_helpers.h"
#include "support/test_registry.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

using namespace tarvo;

class SettingsLayoutWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void modelFieldsAndPagesFollowTheState();
    void secondOffsetListFollowsTheModel();
};

void SettingsLayoutWindow::modelFieldsAndPagesFollowTheState()
{
    Harness h;
    frmControlPanel& w = h.Start({QStringLiteral("127.0.66.1")});
    w.show();
    // The start-up finds no clock and searches; the state below is set after
    // it, so that a slow machine's start-up does not overwrite it.
    QVERIFY(Harness::WaitFor([&] { return h.State().SearchInProgress; }, 5000));
    QVERIFY(Harness::WaitFor([&] { return !h.State().SearchInProgress; }, 10000));
    ProgramState& s = PanelTestAccess::State(h.Core());
    s.clockConnection.ConnectionType = 0;
    s.ClockFound = true;
    s.clockConnection.ClockType = 3;
    s.NetworkSettingsPresent = false;
    h.Core().Changed();
    QTabWidget* tabs = w.ClockTabs();
    auto* timeZone = Control<QComboBox>(w, "cmbTimeZone");
    QVERIFY(Harness::WaitFor([&] { return !timeZone->isEnabled(); }, 1000));
    QCOMPARE(timeZone->toolTip(), QStringLiteral("Only needed for NTP option."));
    QVERIFY(!tabs->isTabEnabled(frmControlPanel::PageBroadcast));
    QVERIFY(!tabs->isTabEnabled(frmControlPanel::PageNetwork));
    QVERIFY(Control<QWidget>(w, "frameNudgeTime")->isVisible());

    s.NetworkSettingsPresent = true;
    h.Core().Changed();
    QVERIFY(Harness::WaitFor([&] { return timeZone->isEnabled(); }, 1000));
    QCOMPARE(timeZone->toolTip(), QStringLiteral("Used to calculate NTP time."));
    QVERIFY(tabs->isTabEnabled(frmControlPanel::PageBroadcast));

    // Choosing "Broadcast" puts the caret in its frequency box.
    tabs->setCurrentIndex(frmControlPanel::PageBroadcast);
    if (auto* frequency = w.findChild<QWidget*>("txtBroadcastFrequency"))
        QCOMPARE(w.focusWidget(), frequency);

    // The operator types on the page; a repeated pass of the layout leaves the
    // focus and the text alone, and a page that becomes unavailable moves the
    // selection without pulling the focus anywhere.
    tabs->setCurrentIndex(frmControlPanel::PagePrimary);
    auto* focusHere = Control<QWidget>(w, "dtpTime");
    focusHere->setFocus();
    s.clockConnection.ClockType = 4;
    h.Core().Changed();
    QVERIFY(Harness::WaitFor([&] { return tabs->isTabEnabled(frmControlPanel::PageModem); }, 1000));
    QVERIFY(!Control<QWidget>(w, "frameNudgeTime")->isVisible());
    QVERIFY(!tabs->isTabEnabled(frmControlPanel::PageBroadcast));
    QCOMPARE(timeZone->toolTip(), QStringLiteral("Sets the Time Zone offset relative to UTC"));
    QCOMPARE(w.focusWidget(), focusHere);
}

// The 207 has no second offsets: its list is not an empty choice to make.
void SettingsLayoutWindow::secondOffsetListFollowsTheModel()
{
    Harness h;
    SimOptions o;
    o.model = 207;
    o.serial = true;
    o.reportMs = 0;
    h.AddClock(o);
    h.SaveConnection(0, 1, 3);
    frmControlPanel& w = h.Start();
    QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
    auto* list = Control<QComboBox>(w, "cmbSecondOffset");
    QCOMPARE(list->count(), 0);
    QVERIFY(!list->isEnabled());
    QVERIFY(!list->toolTip().isEmpty());
    // Another model's list is a choice again.
    w.InitializeSecondOffsetCombo(FindModel(2));
    QCOMPARE(list->count(), 31);
    QVERIFY(list->isEnabled());
}

TARVO_TEST_CLASS(SettingsLayoutWindow)
#include "test_settings_layout_window.moc"
