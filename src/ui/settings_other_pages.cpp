// SPDX-License-Identifier: GPL-3.0-or-later
// The "SMPTE", "Sync/Relays", "Password" and "Modem" pages and the buttons
// below the tabs.
#include "clock/master_settings.h"
#include "ui/image_button.h"
#include "ui/settings_controls.h"
#include "ui/settings_widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace tarvo
{

void BuildSMPTEPage(QWidget* page, SettingsControls& c)
{
    auto* layout = new QVBoxLayout(page);
    auto* timecode = new QGroupBox(QStringLiteral("SMPTE Timecode:"), page);
    auto* grid = new QGridLayout(timecode);
    c.cmbSMPTEmode = Named<QComboBox>(timecode, "cmbSMPTEmode");
    FillList(c.cmbSMPTEmode, SMPTEModeCaptions());
    c.cmbDateFormat = Named<QComboBox>(timecode, "cmbDateFormat");
    FillList(c.cmbDateFormat, DateFormatCaptions());
    AddRow(grid, 0, QStringLiteral("Mode:"), c.cmbSMPTEmode);
    AddRow(grid, 1, QStringLiteral("Date Format:"), c.cmbDateFormat);
    grid->setColumnStretch(2, 1);

    auto* resync = new QGroupBox(QStringLiteral("SMTPE Resync"), page);
    auto* resyncGrid = new QGridLayout(resync);
    c.chkResyncEnable =
        Named<QCheckBox>(resync, "chkResyncEnable", QStringLiteral("Enable SMTPE Resync at:"));
    c.dtpResyncTime = Named<QTimeEdit>(resync, "dtpResyncTime");
    c.dtpResyncTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    c.dtpResyncTime->setAccessibleName(QStringLiteral("Resync time"));
    c.cmbDriftWindow = Named<QComboBox>(resync, "cmbDriftWindow");
    FillList(c.cmbDriftWindow, DriftWindowCaptions());
    c.imageBTNsync = new ImageButton(ImageButton::Symbol::Resync, QStringLiteral("Resync"), resync);
    c.imageBTNsync->setObjectName(QStringLiteral("imageBTNsync"));
    c.imageBTNsync->setToolTip(QStringLiteral("Resynchronizes the SMPTE time code now"));
    resyncGrid->addWidget(c.chkResyncEnable, 0, 0);
    resyncGrid->addWidget(c.dtpResyncTime, 0, 1);
    AddRow(resyncGrid, 1, QStringLiteral("Resync SMPTE after a drift of:"), c.cmbDriftWindow);
    resyncGrid->addWidget(c.imageBTNsync, 2, 0, Qt::AlignLeft);
    resyncGrid->setColumnStretch(2, 1);

    layout->addWidget(timecode);
    layout->addWidget(resync);
    layout->addStretch(1);
}

void BuildSyncRelaysPage(QWidget* page, SettingsControls& c)
{
    auto* layout = new QVBoxLayout(page);
    c.frameInputPolarity =
        Named<QGroupBox>(page, "frameInputPolarity", QStringLiteral("Sync Input Polarity:"));
    auto* polarityRow = new QHBoxLayout(c.frameInputPolarity);
    c.optRisingEdge =
        Named<QRadioButton>(c.frameInputPolarity, "optRisingEdge", QStringLiteral("Rising Edge"));
    c.optFallingEdge =
        Named<QRadioButton>(c.frameInputPolarity, "optFallingEdge", QStringLiteral("Falling Edge"));
    polarityRow->addWidget(c.optRisingEdge);
    polarityRow->addWidget(c.optFallingEdge);
    polarityRow->addStretch(1);

    auto* relays = new QGroupBox(QStringLiteral("Relay Contacts:"), page);
    auto* grid = new QGridLayout(relays);
    grid->addWidget(new QLabel(QStringLiteral("Enabled"), relays), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Min:Sec"), relays), 0, 2);
    for (int n = 1; n <= 4; ++n) {
        const QString event = QStringLiteral("Event %1:").arg(n);
        auto* box = new QCheckBox(relays);
        box->setObjectName(QStringLiteral("chkRelayEnable%1").arg(n));
        box->setAccessibleName(event + QStringLiteral(" Enabled"));
        auto* picker = new QTimeEdit(relays);
        picker->setObjectName(QStringLiteral("dtpRelay%1").arg(n));
        picker->setDisplayFormat(QStringLiteral("mm:ss"));
        auto* caption = new QLabel(event, relays);
        caption->setBuddy(box);
        picker->setAccessibleName(event + QStringLiteral(" Min:Sec"));
        grid->addWidget(caption, n, 0);
        grid->addWidget(box, n, 1, Qt::AlignHCenter);
        grid->addWidget(picker, n, 2);
        c.chkRelayEnable[n - 1] = box;
        c.dtpRelay[n - 1] = picker;
    }
    grid->setColumnStretch(3, 1);

    layout->addWidget(c.frameInputPolarity);
    layout->addWidget(relays);
    layout->addStretch(1);
}

void BuildPasswordPage(QWidget* page, SettingsControls& c)
{
    auto* layout = new QVBoxLayout(page);
    c.chkEnablePassword = Named<QCheckBox>(page, "chkEnablePassword",
                                           QStringLiteral("Enable Telnet/Network Password"));
    auto* grid = new QGridLayout;
    c.txtEditPassword = Named<QLineEdit>(page, "txtEditPassword");
    c.txtReenterPassword = Named<QLineEdit>(page, "txtReenterPassword");
    for (QLineEdit* field : {c.txtEditPassword, c.txtReenterPassword}) {
        // A password shown back from the clock is not displayed in clear.
        field->setEchoMode(QLineEdit::Password);
        field->setMaxLength(4);
        field->setEnabled(false);
    }
    AddRow(grid, 0, QStringLiteral("Password:"), c.txtEditPassword);
    AddRow(grid, 1, QStringLiteral("Re-enter Password:"), c.txtReenterPassword);
    grid->addWidget(new QLabel(QStringLiteral("(4 Characters)"), page), 0, 2);
    grid->setColumnStretch(3, 1);
    layout->addWidget(c.chkEnablePassword);
    layout->addLayout(grid);
    layout->addStretch(1);
}

void BuildModemPage(QWidget* page, SettingsControls& c)
{
    auto* layout = new QVBoxLayout(page);
    auto* frame = new QGroupBox(QStringLiteral("Modem"), page);
    auto* grid = new QGridLayout(frame);
    c.txtPhoneNumber = Named<QLineEdit>(frame, "txtPhoneNumber");
    c.dtpModemCall = Named<QTimeEdit>(frame, "dtpModemCall");
    c.dtpModemCall->setDisplayFormat(QStringLiteral("HH:mm"));
    c.cmbUpdatesPerDay = Named<QComboBox>(frame, "cmbUpdatesPerDay");
    FillList(c.cmbUpdatesPerDay, UpdatesPerDayCaptions());
    c.cmdModemSyncNow = Named<QPushButton>(frame, "cmdModemSyncNow", QStringLiteral("Update Now"));
    c.cmdModemSyncNow->setAutoDefault(false);
    c.cmdModemSyncNow->setToolTip(QStringLiteral("Makes the clock call for the time now"));
    AddRow(grid, 0, QStringLiteral("Phone Number:"), c.txtPhoneNumber);
    AddRow(grid, 1, QStringLiteral("Time of first update:"), c.dtpModemCall);
    grid->addWidget(new QLabel(QStringLiteral("Hr:Min"), frame), 1, 2);
    AddRow(grid, 2, QStringLiteral("Updates per day:"), c.cmbUpdatesPerDay);
    grid->addWidget(c.cmdModemSyncNow, 3, 1);
    grid->setColumnStretch(3, 1);
    layout->addWidget(frame);
    layout->addStretch(1);
}

void BuildSettingsButtons(QWidget* frame, SettingsControls& c)
{
    c.imageBTNSend = new ImageButton(ImageButton::Symbol::Send, QStringLiteral("Send"), frame);
    c.imageBTNSend->setObjectName(QStringLiteral("imageBTNSend"));
    c.imageBTNSend->setToolTip(QStringLiteral("Sends all the settings to the clock"));
    c.imageBTNdefault =
        new ImageButton(ImageButton::Symbol::Defaults, QStringLiteral("Defaults"), frame);
    c.imageBTNdefault->setObjectName(QStringLiteral("imageBTNdefault"));
    c.imageBTNdefault->setToolTip(QStringLiteral("Sets the clock to its factory settings"));
    // Beside Send, while the pages hold what the clock does not: edits, or a
    // loaded file, not yet sent and confirmed.
    c.lblUnsent = new QLabel(QStringLiteral("Changes not sent"), frame);
    c.lblUnsent->setObjectName(QStringLiteral("lblUnsent"));
    c.lblUnsent->setAccessibleName(QStringLiteral("Changes not sent"));
    QFont bold = c.lblUnsent->font();
    bold.setBold(true);
    c.lblUnsent->setFont(bold);
    c.lblUnsent->hide();
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(c.lblUnsent);
    row->addWidget(c.imageBTNdefault);
    row->addWidget(c.imageBTNSend);
    if (auto* box = qobject_cast<QBoxLayout*>(frame->layout()))
        box->addLayout(row);
}

} // namespace tarvo
