// SPDX-License-Identifier: GPL-3.0-or-later
// The window as users meet it: a box toggled by an assistive technology
// counts, hidden from the tray the clock link keeps running and the window
// comes back, the tray icon's menu quits for real, and the About box names
// the version.
#include "build_config.h"
#include "support/harness.h"
#include "support/test_registry.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QtTest>

using namespace tarvo;

class DesktopWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Every control's name is read through AT-SPI by tests/a11y_check.py.
    void boxToggledByAnAssistiveTechnologyIsKept()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        // A box toggled by an assistive technology (switch access, voice
        // control) is used as it is shown, and the store keeps it.
        QAccessibleInterface* box =
            QAccessible::queryAccessibleInterface(w.findChild<QWidget*>("chkUpdatePC"));
        QVERIFY(box && box->actionInterface());
        const QString toggle = QAccessibleActionInterface::toggleAction();
        QVERIFY(box->actionInterface()->actionNames().contains(toggle));
        for (const int expected : {1, 0}) {
            box->actionInterface()->doAction(toggle);
            QVERIFY(Harness::WaitFor([&] { return h.State().UpdatePCclock == expected; }, 2000));
            QCOMPARE(int(h.Core().Store().Load().UpdatePCclock), expected);
        }
    }

    // The icon's menu shows and hides the window, and Quit ends the program
    // also while the window is hidden, when no window is left to close.
    void trayMenuShowsHidesAndQuits()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        o.reportMs = 200;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start();
        w.show();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        auto* tray = w.findChild<QSystemTrayIcon*>(QStringLiteral("picTray"));
        QVERIFY(tray && tray->contextMenu());
        QStringList captions;
        for (QAction* action : tray->contextMenu()->actions()) {
            if (!action->isSeparator())
                captions << action->objectName() + u'=' + action->text();
        }
        QCOMPARE(captions,
                 (QStringList{"mnuTrayShow=Show", "mnuTrayHide=Hide", "mnuTrayQuit=Quit"}));
        auto* show = w.findChild<QAction*>(QStringLiteral("mnuTrayShow"));
        auto* hide = w.findChild<QAction*>(QStringLiteral("mnuTrayHide"));
        auto* quit = w.findChild<QAction*>(QStringLiteral("mnuTrayQuit"));
        hide->trigger();
        QVERIFY(!w.isVisible() || w.isMinimized());
        // Hidden, the link runs on: the clock's reports still arrive.
        auto* label = w.findChild<QLabel*>("lblIncomingTime");
        const QString before = label->text();
        QVERIFY(Harness::WaitFor([&] { return label->text() != before; }, 3000));
        show->trigger();
        QVERIFY(w.isVisible() && !w.isMinimized());
        hide->trigger();

        QTimer::singleShot(0, quit, &QAction::trigger);
        QTimer failsafe;
        failsafe.setSingleShot(true);
        connect(&failsafe, &QTimer::timeout, this, [] { QCoreApplication::exit(2); });
        failsafe.start(30000);
        QCOMPARE(QCoreApplication::exec(), 0);
        failsafe.stop();
        QVERIFY(!w.isVisible());
        QVERIFY(!tray->isVisible());
        // The panel was closed as a close of the window closes it.
        QCOMPARE(h.Core().Session().Socket().IsOpen(), false);
    }

    void aboutNamesVersionAndLicenceWithoutBlocking()
    {
        Harness h;
        frmControlPanel& w = h.Start({QStringLiteral("127.0.68.1")});
        // About at the foot of View; the help page on F1; Quit (Ctrl+Q) at the
        // foot of File, below the settings files (Ctrl+S, Ctrl+O).
        const QList<QAction*> help = w.ViewMenu()->actions();
        QCOMPARE(help.last()->objectName(), QStringLiteral("mnuAbout"));
        auto* helpPage = w.findChild<QAction*>(QStringLiteral("mnuHelp"));
        QCOMPARE(helpPage->shortcut(), QKeySequence(QKeySequence::HelpContents));
        const QList<QAction*> file = w.FileMenu()->actions();
        QCOMPARE(file.last()->objectName(), QStringLiteral("mnuQuit"));
        QCOMPARE(file.last()->shortcut(), QKeySequence(QKeySequence::Quit));
        QCOMPARE(w.findChild<QAction*>("mnuSaveSettings")->shortcut(),
                 QKeySequence(QKeySequence::Save));
        for (int i = 0; i < 2; ++i)
            help.last()->trigger();
        const auto boxes = w.findChildren<QMessageBox*>(QStringLiteral("dlgAbout"));
        QCOMPARE(boxes.size(), 1);
        QMessageBox* box = boxes.first();
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QVERIFY(box->text().contains(QLatin1String("Tarvo Control Panel " TARVO_VERSION)));
        QVERIFY(
            box->text().contains(QStringLiteral("GNU General Public License, version 3 or later")));
        // The window stays usable: the help item is still the help page.
        QVERIFY(helpPage->isEnabled());
        box->close();
    }
};

TARVO_TEST_CLASS(DesktopWindow)
#include "test_desktop_window.moc"
