// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of the clock-settings pages: set time, nudges, the modem call,
// send, factory defaults, resync, and the password fields and prompt.
#include "app/message_boxes.h"
#include "app/panel.h"
#include "clock/password.h"
#include "clock/time_commands.h"
#include "ui/frmControlPanel.h"
#include "ui/image_button.h"
#include "ui/ip_address_edit.h"
#include "ui/settings_controls.h"
#include "ui/time_pickers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

namespace tarvo
{

namespace
{

void ConnectTimeCommands(Panel& panel, const SettingsControls& c)
{
    QTimeEdit* dtpTime = c.dtpTime;
    TimePickers* pickers = c.pickers;
    QObject::connect(c.cmdSendTime, &QPushButton::clicked, c.cmdSendTime,
                     [&panel, dtpTime, pickers] {
                         // Following pickers stand for the computer's clock, whose next
                         // whole second goes out when it begins; a typed time goes as typed.
                         std::optional<QDateTime> typed;
                         if (!pickers->Following())
                             typed = pickers->Shown();
                         dtpTime->setFocus();
                         Spawn(&panel, panel.SetClockTime(typed));
                     });
    const struct {
        QPushButton* button;
        int type;
        int direction;
    } nudges[] = {
        {c.cmdRetardSubsecond, AdjustType::Subsecond, AdjustDirection::Retard},
        {c.cmdAdvanceSubsecond, AdjustType::Subsecond, AdjustDirection::Advance},
        {c.cmdRetardSecond, AdjustType::Hour, AdjustDirection::Retard},
        {c.cmdAdvanceSecond, AdjustType::Hour, AdjustDirection::Advance},
    };
    for (const auto& nudge : nudges) {
        QObject::connect(nudge.button, &QPushButton::clicked, nudge.button,
                         [&panel, dtpTime, type = nudge.type, direction = nudge.direction] {
                             // The network form moves the focus first.
                             if (panel.TimeCommandLink().Kind() == LinkKind::Network)
                                 dtpTime->setFocus();
                             panel.Nudge(type, direction);
                         });
    }
    QObject::connect(c.cmdModemSyncNow, &QPushButton::clicked, c.cmdModemSyncNow,
                     [&panel] { panel.ModemUpdateNow(); });
}

void ConnectSettingsButtons(frmControlPanel& window, const SettingsControls& c)
{
    Panel& panel = window.Core();
    QObject::connect(c.imageBTNSend, &QPushButton::clicked, c.imageBTNSend, [&window, c] {
        Panel& core = window.Core();
        const ProgramState& s = core.State();
        c.dtpTime->setFocus();
        if (s.ClockFound && s.clockConnection.ConnectionType == ConnectionKind::Serial) {
            if (auto* box = window.findChild<QCheckBox*>(QStringLiteral("chkUpdatePC")))
                box->setFocus();
        }
        auto* address = window.findChild<IpAddressEdit*>(QStringLiteral("ipIPAddress"));
        Spawn(&core, core.SendSettings({c.txtPhoneNumber->text(), c.cmbSecondOffset->currentIndex(),
                                        address ? address->text() : QString()}));
    });
    QObject::connect(c.imageBTNdefault, &QPushButton::clicked, c.imageBTNdefault,
                     [&panel] { Spawn(&panel, panel.RestoreFactoryDefaults()); });
    QObject::connect(c.imageBTNsync, &QPushButton::clicked, c.imageBTNsync,
                     [&panel] { panel.Resync(); });
}

// The clock's stored password, edited on the "Password" page.
void ConnectStoredPassword(Panel& panel, const SettingsControls& c)
{
    QCheckBox* enable = c.chkEnablePassword;
    QLineEdit* edit = c.txtEditPassword;
    QLineEdit* reenter = c.txtReenterPassword;
    // The core checks the fields before a command that changes the clock's
    // configuration; it is told them as they are typed.
    const auto typed = [&panel, enable, edit, reenter] {
        panel.EditStoredPassword(enable->isChecked(), edit->text(), reenter->text(), false);
    };
    QObject::connect(edit, &QLineEdit::textChanged, edit, typed);
    QObject::connect(reenter, &QLineEdit::textChanged, reenter, typed);
    // A record's values fill the box with its signals blocked: a change here
    // is the operator's, and changes the network settings.
    QObject::connect(enable, &QCheckBox::toggled, enable,
                     [&panel, edit, reenter](bool ticked) {
                         edit->setEnabled(ticked);
                         reenter->setEnabled(ticked);
                         panel.EditStoredPassword(ticked, edit->text(), reenter->text(), true);
                     });
}

// The prompt shown when a network clock refuses the access password.
void ConnectPasswordPrompt(frmControlPanel& window)
{
    Panel& panel = window.Core();
    QWidget* frame = window.FramePassword();
    auto* txtPassword = frame->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    auto* cmdConnect = frame->findChild<QPushButton*>(QStringLiteral("cmdConnect"));
    if (!txtPassword || !cmdConnect)
        return;
    auto* chkShowPassword = frame->findChild<QCheckBox*>(QStringLiteral("chkShowPassword"));
    auto* lblRefused = frame->findChild<QLabel*>(QStringLiteral("lblPasswordRefused"));
    if (chkShowPassword)
        QObject::connect(chkShowPassword, &QCheckBox::toggled, txtPassword, [txtPassword](bool on) {
            txtPassword->setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password);
        });
    // The refusal is said in the frame and on the field itself, so a screen
    // reader that lands on the field hears why it is asked again.
    const auto showRefusal = [lblRefused, txtPassword](const QString& text) {
        txtPassword->setAccessibleDescription(text);
        if (!lblRefused)
            return;
        lblRefused->setText(text);
        lblRefused->setVisible(!text.isEmpty());
    };
    QObject::connect(&panel, &Panel::PasswordRefusedByClock, txtPassword, [showRefusal] {
        showRefusal(QStringLiteral("The clock refused the password."));
    });
    cmdConnect->setToolTip(QStringLiteral("Asks the clock again with this password"));
    QObject::connect(cmdConnect, &QPushButton::clicked, cmdConnect, [&panel, showRefusal] {
        // A new attempt: a refusal shown after it is the answer to this one.
        showRefusal(QString());
        panel.RetryPassword();
    });
    QObject::connect(txtPassword, &QLineEdit::returnPressed, cmdConnect, &QPushButton::click);
    QObject::connect(txtPassword, &QLineEdit::textChanged, txtPassword,
                     [&window, txtPassword](const QString& text) {
                         const NetworkPasswordInput input = NetworkPasswordFromText(text);
                         if (!input.ok()) {
                             // The clock could never match such a character:
                             // keep the password that can be sent, and say why.
                             txtPassword->setToolTip(input.error);
                             window.ShowStatus(input.error);
                             return;
                         }
                         txtPassword->setToolTip(QString());
                         window.Core().SetNetworkPassword(input.bytes);
                     });
}

} // namespace

void ConnectCommandHandlers(frmControlPanel& window, const SettingsControls& c)
{
    ConnectTimeCommands(window.Core(), c);
    ConnectSettingsButtons(window, c);
    ConnectStoredPassword(window.Core(), c);
    ConnectPasswordPrompt(window);
}

} // namespace tarvo
