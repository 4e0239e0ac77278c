// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <array>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QWidget;

namespace tarvo
{

class frmControlPanel;
class ImageButton;
class TimePickers;
class Panel;
struct MasterSettingsView;

// The controls of the clock-settings pages, gathered once when the pages are
// built so the handlers and the record parser reach them directly.
struct SettingsControls {
    // "Primary"
    QGroupBox* frameSetTimeDate = nullptr;
    QTimeEdit* dtpTime = nullptr;
    QDateEdit* dtpDate = nullptr;
    QPushButton* cmdSendTime = nullptr;
    QPushButton* cmdTimeNow = nullptr;
    TimePickers* pickers = nullptr;
    QComboBox* cmbTimeZone = nullptr;
    QRadioButton* opt24HourMode = nullptr;
    QRadioButton* opt12HourMode = nullptr;
    QRadioButton* optDisplay12Hour = nullptr;
    QRadioButton* optDisplay24Hour = nullptr;
    QComboBox* cmbSecondOffset = nullptr;
    QComboBox* cmbSubSecondOffset = nullptr;
    QGroupBox* frameNudgeTime = nullptr;
    QPushButton* cmdAdvanceSecond = nullptr;
    QPushButton* cmdRetardSecond = nullptr;
    QPushButton* cmdAdvanceSubsecond = nullptr;
    QPushButton* cmdRetardSubsecond = nullptr;
    // "SMPTE"
    QComboBox* cmbSMPTEmode = nullptr;
    QComboBox* cmbDateFormat = nullptr;
    QCheckBox* chkResyncEnable = nullptr;
    QTimeEdit* dtpResyncTime = nullptr;
    QComboBox* cmbDriftWindow = nullptr;
    ImageButton* imageBTNsync = nullptr;
    // "Sync/Relays"
    QGroupBox* frameInputPolarity = nullptr;
    QRadioButton* optRisingEdge = nullptr;
    QRadioButton* optFallingEdge = nullptr;
    std::array<QCheckBox*, 4> chkRelayEnable{};
    std::array<QTimeEdit*, 4> dtpRelay{};
    // "Password"
    QCheckBox* chkEnablePassword = nullptr;
    QLineEdit* txtEditPassword = nullptr;
    QLineEdit* txtReenterPassword = nullptr;
    // "Modem"
    QLineEdit* txtPhoneNumber = nullptr;
    QTimeEdit* dtpModemCall = nullptr;
    QComboBox* cmbUpdatesPerDay = nullptr;
    QPushButton* cmdModemSyncNow = nullptr;
    // Below the tabs.
    ImageButton* imageBTNSend = nullptr;
    QLabel* lblUnsent = nullptr;
    ImageButton* imageBTNdefault = nullptr;
};

// Page builders: each lays out its page and fills `c` with its controls.
void BuildPrimaryPage(QWidget* page, SettingsControls& c);
void BuildSMPTEPage(QWidget* page, SettingsControls& c);
void BuildSyncRelaysPage(QWidget* page, SettingsControls& c);
void BuildPasswordPage(QWidget* page, SettingsControls& c);
void BuildModemPage(QWidget* page, SettingsControls& c);
void BuildSettingsButtons(QWidget* frame, SettingsControls& c);

// Connects each editing control to the working settings.
void ConnectEditHandlers(Panel& panel, const SettingsControls& c);
// The time, settings, defaults, resync and password commands.
void ConnectCommandHandlers(frmControlPanel& window, const SettingsControls& c);
// Fills the controls from a master record as the core decoded it.
void ParseMasterSettings(frmControlPanel& window, const SettingsControls& c,
                         const MasterSettingsView& view);
// The resync picker follows the SMPTE mode: never in real-time mode.
void UpdateResyncTimeEnabled(const SettingsControls& c);

// The controls gathered when the pages were built; null before that.
const SettingsControls* ClockSettingsControls(const frmControlPanel& window);

// Focus moves into the page the operator switches to.
void ConnectTabFocusRules(frmControlPanel& window);

} // namespace tarvo
