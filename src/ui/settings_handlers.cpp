// SPDX-License-Identifier: GPL-3.0-or-later
// The editing rules of the clock-settings controls: each control writes its
// value into the working settings at once. While a parser fills the controls
// (FormLoading raised) the guarded handlers do nothing, so a received value is
// not written back a second time.
#include "app/panel.h"
#include "clock/master_settings.h"
#include "clock/time_commands.h"
#include "ui/settings_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QTimeEdit>

namespace tarvo
{

namespace
{

// Runs `write` with the working settings unless a parser is filling controls.
template <typename Write> auto Guarded(Panel& panel, Write write)
{
    return [&panel, write](auto&&... args) -> void {
        if (!panel.State().FormLoading)
            write(panel.State().clockSettings, args...);
    };
}

// A list whose value is its selected entry's item data. A change that leaves
// nothing selected keeps the previous value.
void ConnectDataList(Panel& panel, QComboBox* list, quint8 ClockSettings::*field)
{
    QObject::connect(list, &QComboBox::currentIndexChanged, list,
                     Guarded(panel, [list, field](ClockSettings& s, int index) {
                         if (index >= 0)
                             s.*field = static_cast<quint8>(list->itemData(index).toInt());
                     }));
}

// A list whose value is the selected position.
void ConnectPositionList(Panel& panel, QComboBox* list, quint8 ClockSettings::*field)
{
    QObject::connect(list, &QComboBox::currentIndexChanged, list,
                     Guarded(panel, [field](ClockSettings& s, int index) {
                         if (index >= 0)
                             s.*field = static_cast<quint8>(index);
                     }));
}

// A pair of option buttons: the value follows whether `one` is selected.
void ConnectOptionPair(Panel& panel, QRadioButton* one, QRadioButton* zero,
                       quint8 ClockSettings::*field, bool guarded)
{
    for (QRadioButton* button : {one, zero}) {
        QObject::connect(button, &QRadioButton::toggled, button, [&panel, one, field, guarded] {
            if (guarded && panel.State().FormLoading)
                return;
            panel.State().clockSettings.*field = one->isChecked() ? 1 : 0;
        });
    }
}

void ConnectRelays(Panel& panel, const SettingsControls& c)
{
    for (int i = 0; i < RelayEventCount; ++i) {
        QCheckBox* box = c.chkRelayEnable[i];
        QTimeEdit* picker = c.dtpRelay[i];
        QObject::connect(box, &QCheckBox::toggled, box,
                         Guarded(panel, [i, picker](ClockSettings& s, bool ticked) {
                             picker->setEnabled(ticked);
                             SetRelayEnabled(s, i, ticked, picker->time());
                         }));
        QObject::connect(
            picker, &QTimeEdit::timeChanged, picker,
            Guarded(panel, [i](ClockSettings& s, QTime time) { SetRelayTime(s, i, time); }));
    }
}

void ConnectSMPTE(Panel& panel, const SettingsControls& c)
{
    ConnectPositionList(panel, c.cmbSMPTEmode, &ClockSettings::SMPTEMode);
    QObject::connect(c.cmbSMPTEmode, &QComboBox::currentIndexChanged, c.cmbSMPTEmode,
                     Guarded(panel, [c](ClockSettings&, int) { UpdateResyncTimeEnabled(c); }));
    ConnectPositionList(panel, c.cmbDateFormat, &ClockSettings::DateFormat);
    ConnectPositionList(panel, c.cmbDriftWindow, &ClockSettings::DriftWindow);
    QTimeEdit* resyncPicker = c.dtpResyncTime;
    QObject::connect(c.chkResyncEnable, &QCheckBox::toggled, c.chkResyncEnable,
                     Guarded(panel, [resyncPicker](ClockSettings& s, bool ticked) {
                         s.ResyncEnable = ticked ? 1 : 0;
                         resyncPicker->setEnabled(ticked);
                     }));
    QObject::connect(c.dtpResyncTime, &QTimeEdit::timeChanged, c.dtpResyncTime,
                     Guarded(panel, [](ClockSettings& s, QTime time) { SetResyncTime(s, time); }));
}

void ConnectTimePickers(Panel& panel, const SettingsControls& c)
{
    QObject::connect(c.dtpTime, &QTimeEdit::timeChanged, c.dtpTime, [&panel](QTime time) {
        if (!panel.State().FormLoading && time.isValid())
            panel.State().timeData = TimeDataFrom(time);
    });
    QObject::connect(c.dtpDate, &QDateEdit::dateChanged, c.dtpDate, [&panel](QDate date) {
        if (!panel.State().FormLoading && date.isValid())
            panel.State().dateData = DateDataFrom(date);
    });
}

} // namespace

void UpdateResyncTimeEnabled(const SettingsControls& c)
{
    const auto enabled =
        ResyncPickerEnabledForMode(c.cmbSMPTEmode->currentIndex(), c.chkResyncEnable->isChecked());
    if (enabled)
        c.dtpResyncTime->setEnabled(*enabled);
}

void ConnectEditHandlers(Panel& panel, const SettingsControls& c)
{
    ConnectDataList(panel, c.cmbTimeZone, &ClockSettings::TimeZoneCode);
    ConnectDataList(panel, c.cmbSecondOffset, &ClockSettings::SecondOffsetCode);
    ConnectDataList(panel, c.cmbSubSecondOffset, &ClockSettings::SubSecondCode);
    ConnectOptionPair(panel, c.opt24HourMode, c.opt12HourMode, &ClockSettings::HourMode24, true);
    ConnectOptionPair(panel, c.optDisplay24Hour, c.optDisplay12Hour,
                      &ClockSettings::DisplayFormat24, false);
    ConnectOptionPair(panel, c.optRisingEdge, c.optFallingEdge, &ClockSettings::RisingEdge, false);
    ConnectPositionList(panel, c.cmbUpdatesPerDay, &ClockSettings::UpdatesPerDay);
    QObject::connect(c.dtpModemCall, &QTimeEdit::timeChanged, c.dtpModemCall,
                     Guarded(panel, [](ClockSettings& s, QTime time) { SetCallTime(s, time); }));
    ConnectSMPTE(panel, c);
    ConnectRelays(panel, c);
    ConnectTimePickers(panel, c);
}

} // namespace tarvo
