// The window as users meet it: every input control has a name a screen reader
// announces, "Hide" keeps the clock link running, and the window comes back.
#include "support/test_registry.h"
#include "support/harness.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace tarvo;

class DesktopWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyInputControlHasAnAccessibleName()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        QStringList missing;
        int checked = 0;
        const auto widgets = w.findChildren<QWidget*>();
        for (QWidget* widget : widgets) {
            const bool input = qobject_cast<QAbstractButton*>(widget) ||
                               qobject_cast<QComboBox*>(widget) ||
                               (qobject_cast<QLineEdit*>(widget) &&
                                !qobject_cast<QAbstractSpinBox*>(widget->parentWidget()) &&
                                !qobject_cast<QComboBox*>(widget->parentWidget())) ||
                               qobject_cast<QAbstractSpinBox*>(widget) ||
                               qobject_cast<QAbstractItemView*>(widget);
            // Internal parts of Qt's own controls (tab scroll arrows, list
            // popups) are named by Qt itself.
            if (!input || widget->objectName().startsWith(QLatin1String("qt_")) ||
                widget->objectName().isEmpty())
                continue;
            ++checked;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            const QString name = a ? a->text(QAccessible::Name).trimmed() : QString();
            if (name.isEmpty())
                missing << widget->objectName();
        }
        QVERIFY2(checked > 10, "the window has too few named input controls");
        QVERIFY2(missing.isEmpty(), qPrintable("no accessible name: " + missing.join(", ")));
    }

    void hidingKeepsTheLinkRunningAndRestoreBringsItBack()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        o.reportMs = 200;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1, {}, 1);
        frmControlPanel& w = h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        auto* label = w.findChild<QLabel*>("lblIncomingTime");
        QVERIFY(label);
        QVERIFY(w.HideLink());
        w.HideLink()->click();
        QVERIFY(!w.isVisible() || w.isMinimized());
        const qint16 countdown = h.State().SetTimeCountdown;
        const QString before = label->text();
        QVERIFY(Harness::WaitFor([&] { return label->text() != before; }, 3000));
        QVERIFY(h.State().SetTimeCountdown != countdown);
        w.RestoreFromTray();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
    }
};

TARVO_TEST_CLASS(DesktopWindow)
#include "test_desktop_window.moc"
