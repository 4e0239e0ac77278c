// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmControlPanel.h"
#include "clock/clock_model.h"
#include "ui/time_pickers.h"

#include "app/panel.h"
#include "app/time_service.h"
#include "clock/time_commands.h"
#include "clock/time_report.h"
#include "ui/frmMonitor.h"
#include "ui/page_builders.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

// The pictures are compiled into this static library; its resources need an
// explicit start because nothing else references them (and the macro must be
// used outside a namespace).
static void InitResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace tarvo
{

namespace
{
const char* const kPageTitles[frmControlPanel::PageCount] = {"Primary", "SMPTE",     "Sync/Relays",
                                                             "Network", "Broadcast", "NTP Server",
                                                             "DST",     "Password",  "Modem"};
const char* const kPageNames[frmControlPanel::PageCount] = {
    "pagePrimary",   "pageSMPTE", "pageSyncRelays", "pageNetwork", "pageBroadcast",
    "pageNTPServer", "pageDST",   "pagePassword",   "pageModem"};

QFont TimeFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(11);
    return font;
}
} // namespace

frmControlPanel::frmControlPanel(Panel& panel, QWidget* parent)
    : QMainWindow(parent), m_panel(panel)
{
    InitResources();
    setObjectName(QStringLiteral("frmControlPanel"));
    setWindowTitle(QStringLiteral("Tarvo Control Panel"));
    BuildWindow();
    BuildClockSettingsPages(*this);
    BuildNetworkPages(*this);
    BuildDstPage(*this);
    // "File" leads the bar, before the connections menu the pages added.
    m_menuFile = new QMenu(QStringLiteral("&File"), this);
    m_menuFile->setObjectName(QStringLiteral("mnuFile"));
    menuBar()->insertMenu(menuBar()->actions().value(0), m_menuFile);
    BuildSettingsFileMenu(*this);
    // "View" holds the program's own windows; "Help" stays the help page.
    m_menuView = menuBar()->addMenu(QStringLiteral("&View"));
    m_menuView->setObjectName(QStringLiteral("mnuView"));
    auto* monitor = new QAction(QStringLiteral("&Clock Monitor"), this);
    monitor->setObjectName(QStringLiteral("mnuClockMonitor"));
    m_menuView->insertAction(m_menuView->actions().value(0), monitor);
    connect(monitor, &QAction::triggered, this, &frmControlPanel::ShowMonitor);
    // "Help" opens the help page at once, from the bar (one press for a
    // screen reader too) or with F1 anywhere in the program.
    auto* help = menuBar()->addAction(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    help->setShortcut(QKeySequence::HelpContents);
    help->setShortcutContext(Qt::ApplicationShortcut);
    help->setToolTip(QStringLiteral("Opens the help page of the connected clock (F1)"));
    connect(help, &QAction::triggered, this, &frmControlPanel::ShowHelp);
    FollowCore();
    m_panel.FormLoad();
    InitializeTrayIcon();

    m_tmrStartUp = new QTimer(this);
    m_tmrStartUp->setObjectName(QStringLiteral("tmrStartUp"));
    m_tmrStartUp->setSingleShot(true);
    m_tmrStartUp->setInterval(300);
    connect(m_tmrStartUp, &QTimer::timeout, this, [this] { m_panel.StartUpTick(); });
    m_tmrStartUp->start();

    // The computer time changes once a second; the label is refreshed just
    // after each change of second instead of polling a hundred times a second.
    m_computerTimeTimer = new QTimer(this);
    m_computerTimeTimer->setObjectName(QStringLiteral("tmrDisplayUpdate"));
    m_computerTimeTimer->setSingleShot(true);
    m_computerTimeTimer->setTimerType(Qt::PreciseTimer);
    connect(m_computerTimeTimer, &QTimer::timeout, this, &frmControlPanel::OnDisplayTick);
    OnDisplayTick();

    // The layout follows the state as soon as it changes: the core reports
    // every change, and this coalesces a burst of them into one pass.
    m_layoutTimer = new QTimer(this);
    m_layoutTimer->setObjectName(QStringLiteral("tmrCheckClockStatus"));
    m_layoutTimer->setSingleShot(true);
    m_layoutTimer->setInterval(0);
    connect(m_layoutTimer, &QTimer::timeout, this, [this] {
        const ProgramState& s = m_panel.State();
        UpdateClockLayout(s.ClockFound, s.NetworkSettingsPresent, s.PasswordRefused,
                          m_panel.Model());
    });
    ScheduleLayout();
    BuildAboutAction(*this);
    // Quit closes the window for good (Hide only puts it away).
    m_menuFile->addSeparator();
    auto* quit = m_menuFile->addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("mnuQuit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    // Closing the window ends the sequences and the link; the program ends
    // with it, however many windows (the monitor, help) are open.
    connect(quit, &QAction::triggered, this, [this] {
        close();
        QCoreApplication::quit();
    });
}

frmControlPanel::~frmControlPanel() = default;

void frmControlPanel::FollowCore()
{
    connect(&m_panel, &Panel::StatusShown, this, &frmControlPanel::ShowStatus);
    connect(&m_panel, &Panel::IncomingTimeShown, this, &frmControlPanel::ShowIncomingTime);
    connect(&m_panel, &Panel::GpsRuleChanged, this, &frmControlPanel::ApplyGpsRule);
    connect(&m_panel, &Panel::UpdatePcLoaded, this, &frmControlPanel::SetUpdatePcState);
    connect(&m_panel, &Panel::PickersSeeded, this, &frmControlPanel::SeedPickers);
    connect(&m_panel, &Panel::DisableNetworkConfigShown, this,
            &frmControlPanel::SetDisableNetworkConfigVisible);
    connect(&m_panel, &Panel::ConnectLayout, this,
            [this](const ClockModel* model) { UpdateClockLayout(false, false, false, model); });
    connect(&m_panel, &Panel::SecondOffsetListChanged, this,
            &frmControlPanel::InitializeSecondOffsetCombo);
    connect(&m_panel, &Panel::StateTouched, this, &frmControlPanel::ScheduleLayout);
}

void frmControlPanel::ShowMonitor()
{
    // Not modal, and kept when closed: it opens again as it was left.
    if (!m_monitor)
        m_monitor = new frmMonitor(m_panel, this);
    m_monitor->show();
    m_monitor->raise();
    m_monitor->activateWindow();
}

void frmControlPanel::BuildWindow()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    // The hover size of "Hide" falls back when the mouse crosses the background.
    central->setMouseTracking(true);
    central->installEventFilter(this);
    auto* topRow = new QHBoxLayout;
    topRow->addWidget(BuildLinkIndicator(), 1);
    topRow->addWidget(BuildHideLink());
    layout->addLayout(topRow);

    m_frameSerial = BuildSerialFrame();
    layout->addWidget(m_frameSerial);
    m_frameNotfound = BuildNotFoundFrame();
    layout->addWidget(m_frameNotfound);
    m_framePassword = BuildPasswordFrame();
    layout->addWidget(m_framePassword);

    auto* foundRow = new QHBoxLayout;
    m_imgClock = new QLabel(central);
    m_imgClock->setObjectName(QStringLiteral("imgClock"));
    m_imgClock->setPixmap(QPixmap(QStringLiteral(":/images/clock.png"))
                              .scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_imgClock->setAccessibleName(QStringLiteral("Clock"));
    m_lblClockFound = new QLabel(central);
    m_lblClockFound->setObjectName(QStringLiteral("lblClockFound"));
    foundRow->addWidget(m_imgClock);
    foundRow->addWidget(m_lblClockFound, 1);
    layout->addLayout(foundRow);

    m_frameClockTimeSettings = new QGroupBox(QStringLiteral("Clock Settings"), central);
    m_frameClockTimeSettings->setObjectName(QStringLiteral("frameClockTimeSettings"));
    auto* settingsLayout = new QVBoxLayout(m_frameClockTimeSettings);
    m_tabs = new QTabWidget(m_frameClockTimeSettings);
    m_tabs->setObjectName(QStringLiteral("sstClock"));
    m_tabs->setAccessibleName(QStringLiteral("Clock Settings"));
    for (int i = 0; i < PageCount; ++i) {
        auto* page = new QWidget(m_tabs);
        page->setObjectName(QLatin1String(kPageNames[i]));
        m_tabs->addTab(page, QLatin1String(kPageTitles[i]));
    }
    settingsLayout->addWidget(m_tabs);
    layout->addWidget(m_frameClockTimeSettings, 1);

    setCentralWidget(central);
    // A fixed working size: the frames that come and go with the link state
    // must not make the window jump.
    resize(860, 660);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
    // The status text lives in a label, which screen readers can read, rather
    // than in the bar's temporary message, which they cannot.
    m_lblStatus = new QLabel(statusBar());
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setAccessibleName(QStringLiteral("Status"));
    m_lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(m_lblStatus, 1);
    m_statusTimer = new QTimer(this);
    m_statusTimer->setObjectName(QStringLiteral("tmrStatus"));
    m_statusTimer->setSingleShot(true);
    m_statusTimer->setInterval(StatusMessageMs);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        m_lblStatus->clear();
        m_lblStatus->setAccessibleDescription(QString());
    });

    // Nothing is connected yet: only "Clock Not Found." shows until a clock answers.
    m_frameSerial->hide();
    m_frameClockTimeSettings->hide();
    m_framePassword->hide();
    m_imgClock->hide();
    m_lblClockFound->hide();
}

QGroupBox* frmControlPanel::BuildSerialFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("PC Time Setting via RS-232/USB:"), this);
    frame->setObjectName(QStringLiteral("frameSerial"));
    auto* grid = new QGridLayout(frame);

    auto* computerCaption = new QLabel(QStringLiteral("Computer Time:"), frame);
    m_lblComputerTime = new QLabel(frame);
    m_lblComputerTime->setObjectName(QStringLiteral("lblComputerTime"));
    m_lblComputerTime->setFont(TimeFont());
    // A screen reader reads the value label alone when the operator moves to
    // it: its name is the time it shows, its description says whose time.
    computerCaption->setBuddy(m_lblComputerTime);
    m_lblComputerTime->setAccessibleDescription(QStringLiteral("Computer Time"));

    auto* clockCaption = new QLabel(QStringLiteral("Master Clock Time:"), frame);
    m_lblIncomingTime = new QLabel(frame);
    m_lblIncomingTime->setObjectName(QStringLiteral("lblIncomingTime"));
    m_lblIncomingTime->setFont(TimeFont());
    m_lblIncomingTime->setAutoFillBackground(true);
    clockCaption->setBuddy(m_lblIncomingTime);
    m_lblIncomingTime->setAccessibleDescription(QStringLiteral("Master Clock Time"));
    ShowIncomingTime(TimeNotAvailableText, false);

    m_chkUpdatePC = new QCheckBox(QStringLiteral("Update PC Clock."), frame);
    m_chkUpdatePC->setObjectName(QStringLiteral("chkUpdatePC"));
    m_chkUpdatePC->setToolTip(
        QStringLiteral("Sets the computer clock from the master clock every 20 time reports"));
    // The state the box shows is the state used, however it changed: a click,
    // the keyboard, or an assistive technology's toggle. The stored value is
    // shown with the box's signals blocked (SetUpdatePcState).
    connect(m_chkUpdatePC, &QCheckBox::stateChanged, this, [this](int state) {
        if (state != Qt::PartiallyChecked)
            m_chkUpdatePC->setTristate(false);
        m_panel.SetUpdatePcClock(state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0);
    });
    // A time service that also sets the computer clock would fight with this
    // box; the operator is told which one, and the box still does what it says.
    const QString service = RunningTimeService();
    if (!service.isEmpty()) {
        const QString note =
            QStringLiteral("%1 also sets this computer's clock; with both, the clock is set "
                           "twice from different sources.")
                .arg(service);
        m_chkUpdatePC->setToolTip(m_chkUpdatePC->toolTip() + QStringLiteral("\n") + note);
        auto* lblTimeService = new QLabel(note, frame);
        lblTimeService->setObjectName(QStringLiteral("lblTimeService"));
        lblTimeService->setWordWrap(true);
        QFont small = lblTimeService->font();
        small.setPointSize(qMax(7, small.pointSize() - 1));
        lblTimeService->setFont(small);
        grid->addWidget(lblTimeService, 3, 0, 1, 3);
    }

    grid->addWidget(computerCaption, 0, 0);
    grid->addWidget(m_lblComputerTime, 0, 1);
    grid->addWidget(clockCaption, 1, 0);
    grid->addWidget(m_lblIncomingTime, 1, 1);
    // Said only while the clock is silent: the time above is then its last.
    m_lblIncomingAge = new QLabel(frame);
    m_lblIncomingAge->setObjectName(QStringLiteral("lblIncomingAge"));
    m_lblIncomingAge->hide();
    grid->addWidget(m_lblIncomingAge, 1, 2);
    grid->addWidget(m_chkUpdatePC, 2, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    return frame;
}

QWidget* frmControlPanel::BuildNotFoundFrame()
{
    auto* frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("frameNotfound"));
    auto* row = new QHBoxLayout(frame);
    auto* logo = new QLabel(frame);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/images/clock.png"))
                        .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    logo->setAccessibleName(QStringLiteral("Tarvo logo"));
    auto* text = new QLabel(QStringLiteral("Clock Not Found."), frame);
    text->setObjectName(QStringLiteral("lblNotFound"));
    QFont big = text->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    text->setFont(big);
    row->addWidget(logo);
    auto* words = new QVBoxLayout;
    words->addWidget(text);
    words->addWidget(BuildNotFoundHelp(frame));
    row->addLayout(words, 1);
    return frame;
}

QWidget* frmControlPanel::BuildPasswordFrame()
{
    // The prompt stands alone in the window (the settings are hidden): the
    // frame takes the room they leave and keeps its box at the top, so the
    // window's rows are not spread over the height with the prompt midway.
    auto* frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("framePassword"));
    frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    auto* outer = new QVBoxLayout(frame);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(frame);
    box->setObjectName(QStringLiteral("grpPassword"));
    box->setAccessibleName(QStringLiteral("Network password"));
    outer->addWidget(box);
    outer->addStretch(1);
    auto* layout = new QVBoxLayout(box);
    auto* prompt = new QLabel(QStringLiteral("Please enter your telnet/network password."), box);
    prompt->setObjectName(QStringLiteral("lblPasswordPrompt"));
    auto* row = new QHBoxLayout;
    auto* txtPassword = new QLineEdit(box);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setMaxLength(4);
    txtPassword->setEchoMode(QLineEdit::Password);
    // Four characters: a field as wide as the window would hide the "Show" box
    // and the button far from the prompt.
    const int widest = txtPassword->fontMetrics().horizontalAdvance(QLatin1Char('W'));
    txtPassword->setMaximumWidth(widest * 8);
    prompt->setBuddy(txtPassword);
    txtPassword->setAccessibleName(QStringLiteral("Please enter your telnet/network password."));
    auto* chkShowPassword = new QCheckBox(QStringLiteral("Show"), box);
    chkShowPassword->setObjectName(QStringLiteral("chkShowPassword"));
    chkShowPassword->setAccessibleName(QStringLiteral("Show password"));
    auto* cmdConnect = new QPushButton(QStringLiteral("Connect"), box);
    cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
    row->addWidget(prompt);
    row->addWidget(txtPassword);
    row->addWidget(chkShowPassword);
    row->addWidget(cmdConnect);
    row->addStretch(1);
    // Why the prompt is back; empty and hidden until the clock refuses.
    auto* refused = new QLabel(box);
    refused->setObjectName(QStringLiteral("lblPasswordRefused"));
    refused->setWordWrap(true);
    refused->hide();
    layout->addLayout(row);
    layout->addWidget(refused);
    return frame;
}

QWidget* frmControlPanel::TabPage(int index) const
{
    return m_tabs->widget(index);
}

void frmControlPanel::ShowStatus(const QString& text)
{
    // A message says what just happened; it goes after a while, and the
    // lasting state is the link indicator's.
    m_statusTimer->start();
    if (m_lblStatus->text() == text)
        return;
    m_lblStatus->setText(text);
    m_lblStatus->setAccessibleDescription(text);
}

QString frmControlPanel::StatusText() const
{
    return m_lblStatus->text();
}

void frmControlPanel::ShowIncomingTime(const QString& text, bool valid)
{
    m_incomingValid = valid;
    m_lblIncomingTime->setText(text);
    QPalette palette = m_lblIncomingTime->palette();
    if (valid) {
        palette.setColor(QPalette::Window, Qt::black);
        palette.setColor(QPalette::WindowText, QColor(255, 255, 0));
    } else {
        palette.setColor(QPalette::Window, this->palette().color(QPalette::Button));
        palette.setColor(QPalette::WindowText, Qt::black);
    }
    m_lblIncomingTime->setPalette(palette);
}

void frmControlPanel::ApplyGpsRule(bool locked)
{
    const QString tip = locked ? GpsLockedTip : QString();
    if (auto* button = findChild<QPushButton*>(QStringLiteral("cmdSendTime"))) {
        button->setEnabled(!locked);
        button->setToolTip(tip);
    }
    for (const char* name : {"frameSetTimeDate", "dtpTime", "dtpDate"}) {
        if (auto* w = findChild<QWidget*>(QLatin1String(name)))
            w->setToolTip(tip);
    }
}

void frmControlPanel::SetUpdatePcState(int value)
{
    const QSignalBlocker quiet(m_chkUpdatePC);
    m_chkUpdatePC->setTristate(value == 2);
    m_chkUpdatePC->setCheckState(value == 1   ? Qt::Checked
                                 : value == 2 ? Qt::PartiallyChecked
                                              : Qt::Unchecked);
}

void frmControlPanel::SeedPickers(const QDateTime& now)
{
    if (m_pickers)
        m_pickers->Follow(now);
}

void frmControlPanel::SetDisableNetworkConfigVisible(bool visible)
{
    if (auto* box = findChild<QCheckBox*>(QStringLiteral("chkDisableNetworkConfig")))
        box->setVisible(visible);
}

void frmControlPanel::ScheduleLayout()
{
    if (m_layoutTimer && !m_layoutTimer->isActive())
        m_layoutTimer->start();
}

void frmControlPanel::OnDisplayTick()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_lblComputerTime->setText(ComputerTimeText(now));
    // The age of the clock's last answer moves on with the seconds, and the
    // pickers with the computer's clock.
    RefreshLinkState();
    if (m_pickers)
        m_pickers->Tick(now);
    m_computerTimeTimer->start(1000 - now.time().msec() + 1);
}

void frmControlPanel::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    m_panel.SetWindowShown(true);
}

void frmControlPanel::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    m_panel.SetWindowShown(false);
}

void frmControlPanel::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        RemoveTrayIcon();
        m_panel.Close();
    }
    event->accept();
}

} // namespace tarvo
