// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/link_health.h"
#include "clock/clock_model.h"

#include <QMainWindow>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTabWidget;
class QTimeEdit;
class QTimer;

namespace tarvo
{

class Panel;
class TimePickers;
class frmMonitor;

// The main window. It follows the program core's signals (Panel) and tells it
// what the operator did; the behaviour lives in the core.
class frmControlPanel : public QMainWindow
{
    Q_OBJECT
public:
    // Page indices of sstClock.
    enum Page {
        PagePrimary,
        PageSMPTE,
        PageSyncRelays,
        PageNetwork,
        PageBroadcast,
        PageNTPServer,
        PageDST,
        PagePassword,
        PageModem,
        PageCount
    };

    explicit frmControlPanel(Panel& panel, QWidget* parent = nullptr);
    ~frmControlPanel() override;

    Panel& Core() { return m_panel; }
    QTabWidget* ClockTabs() const { return m_tabs; }
    QWidget* TabPage(int index) const;

    // What the core tells the window.
    void ShowStatus(const QString& text);
    void ShowIncomingTime(const QString& text, bool valid);
    void ApplyGpsRule(bool locked);
    void SetUpdatePcState(int value);
    void SeedPickers(const QDateTime& now);
    void SetDisableNetworkConfigVisible(bool visible);
    void UpdateClockLayout(bool clockFound, bool networkSettingsPresent, bool passwordRefused,
                           const ClockModel* model);
    void InitializeSecondOffsetCombo(const ClockModel* model);

    QString StatusText() const;
    // How long a status message stays.
    static constexpr int StatusMessageMs = 30000;
    // The regions the layout routine shows and hides.
    QGroupBox* FrameSerial() const { return m_frameSerial; }
    QGroupBox* FrameClockTimeSettings() const { return m_frameClockTimeSettings; }
    QWidget* FrameNotfound() const { return m_frameNotfound; }
    QWidget* FramePassword() const { return m_framePassword; }
    QLabel* ImgClock() const { return m_imgClock; }
    QLabel* LblClockFound() const { return m_lblClockFound; }
    QPushButton* CmdSendTime() const { return m_cmdSendTime; }
    void SetCmdSendTime(QPushButton* button) { m_cmdSendTime = button; }
    void SetTimePickers(TimePickers* pickers) { m_pickers = pickers; }
    TimePickers* Pickers() const { return m_pickers; }

    // The link indicator, the title and the tray's tip, from the core's state.
    void RefreshLinkState();

    // Notification-area icon, the "Hide" link and the help menu.
    void InitializeTrayIcon();
    void RemoveTrayIcon();
    void RestoreFromTray();
    void HideWindow();
    void ShowHelp();
    bool TrayAvailable() const;
    QPushButton* HideLink() const { return m_hideLink; }
    // The menus other parts of the window add their actions to.
    QMenu* FileMenu() const { return m_menuFile; }
    QMenu* ViewMenu() const { return m_menuView; }
    // Opens the one Clock Monitor window, or brings it to the front.
    void ShowMonitor();
    // Null until it was first opened.
    frmMonitor* MonitorWindow() const { return m_monitor; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowCore();
    void BuildWindow();
    QMenu* BuildTrayMenu();
    QGroupBox* BuildSerialFrame();
    QWidget* BuildNotFoundFrame();
    QWidget* BuildPasswordFrame();
    void OnDisplayTick();
    QWidget* BuildHideLink();
    void SetHideLinkSize(int points);
    QLabel* BuildLinkIndicator();
    void ShowStaleTime(bool stale);
    QWidget* BuildNotFoundHelp(QWidget* frame);
    void ScheduleLayout();

    Panel& m_panel;
    QGroupBox* m_frameSerial = nullptr;
    QGroupBox* m_frameClockTimeSettings = nullptr;
    QWidget* m_frameNotfound = nullptr;
    QWidget* m_framePassword = nullptr;
    QLabel* m_imgClock = nullptr;
    QLabel* m_lblClockFound = nullptr;
    QLabel* m_lblComputerTime = nullptr;
    QLabel* m_lblIncomingTime = nullptr;
    QLabel* m_lblIncomingAge = nullptr;
    bool m_incomingValid = false;
    bool m_incomingStale = false;
    QTimer* m_statusTimer = nullptr;
    QCheckBox* m_chkUpdatePC = nullptr;
    QPushButton* m_cmdSendTime = nullptr;
    TimePickers* m_pickers = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTimer* m_tmrStartUp = nullptr;
    QTimer* m_computerTimeTimer = nullptr;
    QTimer* m_layoutTimer = nullptr;
    bool m_closed = false;
    QPushButton* m_hideLink = nullptr;
    QLabel* m_lblStatus = nullptr;
    QLabel* m_lblLinkState = nullptr;
    QString m_linkText;
    LinkHealth::State m_lastLinkState = LinkHealth::State::NotFound;
    QLabel* m_lblNotFoundDetail = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menuFile = nullptr;
    QMenu* m_menuView = nullptr;
    frmMonitor* m_monitor = nullptr;
};

} // namespace tarvo
