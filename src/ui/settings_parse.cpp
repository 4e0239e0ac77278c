// SPDX-License-Identifier: GPL-3.0-or-later
// Filling the settings controls from a master record the core decoded. The
// controls' signals are blocked meanwhile: showing the clock's values is not
// an edit by the operator.
#include "app/panel.h"
#include "clock/master_record.h"
#include "ui/frmControlPanel.h"
#include "ui/settings_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <memory>
#include <vector>

namespace tarvo
{

namespace
{

void Select(QComboBox* list, const std::optional<int>& position)
{
    if (list && position && *position < list->count())
        list->setCurrentIndex(*position);
}

void SetTicked(QAbstractButton* box, const std::optional<bool>& value)
{
    if (box && value)
        box->setChecked(*value);
}

void SelectPair(QRadioButton* one, QRadioButton* zero, const std::optional<bool>& value)
{
    if (!value)
        return;
    if (QRadioButton* button = *value ? one : zero)
        button->setChecked(true);
}

void SetTime(QTimeEdit* picker, const std::optional<QTime>& time)
{
    if (picker && time && time->isValid())
        picker->setTime(*time);
}

} // namespace

void ParseMasterSettings(frmControlPanel& window, const SettingsControls& c,
                         const MasterSettingsView& v)
{
    const ClockModel* model = window.Core().Model();
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    const auto block = [&quiet](QObject* control) {
        if (control)
            quiet.push_back(std::make_unique<QSignalBlocker>(control));
    };
    for (QObject* control : std::initializer_list<QObject*>{
             c.cmbTimeZone, c.cmbSecondOffset, c.cmbSubSecondOffset, c.opt24HourMode,
             c.opt12HourMode, c.optDisplay24Hour, c.optDisplay12Hour, c.cmbSMPTEmode,
             c.cmbDateFormat, c.dtpResyncTime, c.cmbDriftWindow, c.chkResyncEnable, c.optRisingEdge,
             c.optFallingEdge, c.txtPhoneNumber, c.dtpModemCall, c.cmbUpdatesPerDay})
        block(control);
    for (int k = 0; k < RelayEventCount; ++k) {
        block(c.chkRelayEnable[k]);
        block(c.dtpRelay[k]);
    }
    for (const char* name : {"chkAutoDST", "optDSTcustom", "optDSTdefault"})
        block(window.findChild<QWidget*>(QLatin1String(name)));

    Select(c.cmbTimeZone, v.timeZonePosition);
    SetTicked(window.findChild<QCheckBox*>(QStringLiteral("chkAutoDST")), v.autoDST);
    SelectPair(window.findChild<QRadioButton*>(QStringLiteral("optDSTcustom")),
               window.findChild<QRadioButton*>(QStringLiteral("optDSTdefault")), v.dstCustom);
    Select(c.cmbSecondOffset, v.secondOffsetPosition);
    Select(c.cmbSubSecondOffset, v.subSecondPosition);
    SelectPair(c.opt24HourMode, c.opt12HourMode, v.hourMode24);
    SelectPair(c.optDisplay24Hour, c.optDisplay12Hour, v.displayFormat24);
    Select(c.cmbSMPTEmode, v.smpteModePosition);
    Select(c.cmbDateFormat, v.dateFormatPosition);
    SetTime(c.dtpResyncTime, v.resyncTime);
    Select(c.cmbDriftWindow, v.driftWindowPosition);
    SetTicked(c.chkResyncEnable, v.resyncEnable);
    SelectPair(c.optRisingEdge, c.optFallingEdge, v.risingEdge);

    for (int k = 0; k < RelayEventCount; ++k) {
        const RelayView& relay = v.relays[k];
        c.dtpRelay[k]->setTime(relay.time);
        c.chkRelayEnable[k]->setChecked(relay.enabled);
        c.dtpRelay[k]->setEnabled(relay.enabled);
    }

    if (model && model->modem) {
        if (v.phoneText)
            c.txtPhoneNumber->setText(*v.phoneText);
        SetTime(c.dtpModemCall, v.callTime);
        Select(c.cmbUpdatesPerDay, v.updatesPerDayPosition);
    }

    // The handlers did not run while the controls were filled, so the resync
    // picker is brought in line with the received switch and mode here;
    // otherwise it could stay disabled while resync is on, or the reverse.
    c.dtpResyncTime->setEnabled(c.chkResyncEnable->isChecked());
    UpdateResyncTimeEnabled(c);
}

} // namespace tarvo
