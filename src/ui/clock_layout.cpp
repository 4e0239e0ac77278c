#include "ui/frmControlPanel.h"

#include "app/panel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

void frmControlPanel::UpdateClockLayout(bool clockFound, bool networkSettingsPresent,
                                        bool passwordRefused, int clockType)
{
    Q_UNUSED(networkSettingsPresent);
    Q_UNUSED(clockType);
    ProgramState& s = m_panel.State();
    const int type = s.clockConnection.ConnectionType;
    if (!clockFound) {
        m_frameSerial->setVisible(false);
        m_frameClockTimeSettings->setVisible(false);
        m_frameNotfound->setVisible(true);
        m_framePassword->setVisible(false);
        m_imgClock->setVisible(false);
        m_lblClockFound->setVisible(false);
    } else if (type == ConnectionKind::Serial) {
        m_frameSerial->setVisible(true);
        m_frameClockTimeSettings->setVisible(true);
        m_frameNotfound->setVisible(false);
        m_framePassword->setVisible(false);
        m_imgClock->setVisible(false);
        m_lblClockFound->setVisible(false);
    } else if (type == ConnectionKind::Network) {
        if (passwordRefused && !s.PasswordPromptShown) {
            m_frameSerial->setVisible(false);
            m_frameClockTimeSettings->setVisible(false);
            m_frameNotfound->setVisible(false);
            m_framePassword->setVisible(true);
            m_imgClock->setVisible(false);
            m_lblClockFound->setVisible(false);
            auto* txtPassword = m_framePassword->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
            if (txtPassword && txtPassword->isEnabled()) {
                txtPassword->setFocus();
                txtPassword->selectAll();
            }
            s.PasswordPromptShown = true;
        } else if (!passwordRefused) {
            m_frameSerial->setVisible(false);
            m_frameClockTimeSettings->setVisible(true);
            m_frameNotfound->setVisible(false);
            m_framePassword->setVisible(false);
            m_imgClock->setVisible(true);
            m_lblClockFound->setVisible(true);
            m_lblClockFound->setText(QStringLiteral("Connected to ") + s.clockConnection.IPaddress);
        }
    }
}

