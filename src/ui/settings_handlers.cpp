// SPDX-License-Identifier: GPL-3.0-or-later
// The editing rules of the clock-settings controls: each control writes its
// value into the working settings at once. A record's values are put into the
// controls with their signals blocked (settings_parse.cpp), so these handlers
// run for the operator's changes alone, however they are made.
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

// Hands the operator's change to the core, which writes the working settings.
template <typename Write> auto Edit(Panel& panel, Write write)
{
    return [&panel, write](auto&&... args) -> void {
        panel.EditSettings([&](ClockSettings& s) { write(s, args...); });
    };
}

// A list whose value is its selected entry's item data. A change that leaves
// nothing selected keeps the previous value.
void ConnectDataList(Panel& panel, QComboBox* list, quint8 ClockSettings::*field)
{
    QObject::connect(list, &QComboBox::currentIndexChanged, list,
                     Edit(panel, [list, field](ClockSettings& s, int index) {
                         if (index >= 0)
                             s.*field = static_cast<quint8>(list->itemData(index).toInt());
                     }));
}

// A list whose value is the selected position.
void ConnectPositionList(Panel& panel, QComboBox* list, quint8 ClockSettings::*field)
{
    QObject::connect(list, &QComboBox::currentIndexChanged, list,
                     Edit(panel, [field](ClockSettings& s, int index) {
                         if (index >= 0)
                             s.*field = static_cast<quint8>(index);
                     }));
}

// A pair of option buttons: the value follows whether `one` is selected.
void ConnectOptionPair(Panel& panel, QRadioButton* one, QRadioButton* zero,
                       quint8 ClockSettings::*field)
{
    for (QRadioButton* button : {one, zero}) {
        QObject::connect(button, &QRadioButton::toggled, button,
                         Edit(panel, [one, field](ClockSettings& s, bool) {
                             s.*field = one->isChecked() ? 1 : 0;
                         }));
    }
}

void ConnectRelays(Panel& panel, const SettingsControls& c)
{
    for (int i = 0; i < RelayEventCount; ++i) {
        QCheckBox* box = c.chkRelayEnable[i];
        QTimeEdit* picker = c.dtpRelay[i];
        QObject::connect(box, &QCheckBox::toggled, box,
                         Edit(panel, [i, picker](ClockSettings& s, bool ticked) {
                             picker->setEnabled(ticked);
                             SetRelayEnabled(s, i, ticked, picker->time());
                         }));
        QObject::connect(
            picker, &QTimeEdit::timeChanged, picker,
            Edit(panel, [i](ClockSettings& s, QTime time) { SetRelayTime(s, i, time); }));
    }
}

void ConnectSMPTE(Panel& panel, const SettingsControls& c)
{
    ConnectPositionList(panel, c.cmbSMPTEmode, &ClockSettings::SMPTEMode);
    QObject::connect(c.cmbSMPTEmode, &QComboBox::currentIndexChanged, c.cmbSMPTEmode,
                     Edit(panel, [c](ClockSettings&, int) { UpdateResyncTimeEnabled(c); }));
    ConnectPositionList(panel, c.cmbDateFormat, &ClockSettings::DateFormat);
    ConnectPositionList(panel, c.cmbDriftWindow, &ClockSettings::DriftWindow);
    QTimeEdit* resyncPicker = c.dtpResyncTime;
    QObject::connect(c.chkResyncEnable, &QCheckBox::toggled, c.chkResyncEnable,
                     Edit(panel, [resyncPicker](ClockSettings& s, bool ticked) {
                         s.ResyncEnable = ticked ? 1 : 0;
                         resyncPicker->setEnabled(ticked);
                     }));
    QObject::connect(c.dtpResyncTime, &QTimeEdit::timeChanged, c.dtpResyncTime,
                     Edit(panel, [](ClockSettings& s, QTime time) { SetResyncTime(s, time); }));
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
    ConnectOptionPair(panel, c.opt24HourMode, c.opt12HourMode, &ClockSettings::HourMode24);
    ConnectOptionPair(panel, c.optDisplay24Hour, c.optDisplay12Hour,
                      &ClockSettings::DisplayFormat24);
    ConnectOptionPair(panel, c.optRisingEdge, c.optFallingEdge, &ClockSettings::RisingEdge);
    ConnectPositionList(panel, c.cmbUpdatesPerDay, &ClockSettings::UpdatesPerDay);
    QObject::connect(c.dtpModemCall, &QTimeEdit::timeChanged, c.dtpModemCall,
                     Edit(panel, [](ClockSettings& s, QTime time) { SetCallTime(s, time); }));
    ConnectSMPTE(panel, c);
    ConnectRelays(panel, c);
}

} // namespace tarvo
