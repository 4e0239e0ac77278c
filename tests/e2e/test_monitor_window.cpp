// SPDX-License-Identifier: GPL-3.0-or-later
// The Clock Monitor against a simulated clock: the offset it draws is the one
// the simulator's second edge gives, it opens from the View menu with the
// clock's points and the "found" line, every input has a name for a screen
// reader, it does no work while closed, a step of hours reads in hours and starts the
// figures again, and a log that cannot be saved says so.
#include "support/harness.h"
#include "support/test_registry.h"
#include "ui/frmMonitor.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QValueAxis>
#include <QXYSeries>
#include <QtTest>
#include <vector>

using namespace tarvo;

namespace
{
frmMonitor* OpenFromMenu(frmControlPanel& w)
{
    auto* action = w.findChild<QAction*>(QStringLiteral("mnuClockMonitor"));
    if (!action || w.ViewMenu()->actions().value(0) != action)
        return nullptr;
    action->trigger();
    return w.MonitorWindow();
}

QString LogText(frmMonitor* m)
{
    auto* log = m->findChild<QPlainTextEdit*>(QStringLiteral("lstEventLog"));
    return log ? log->toPlainText() : QString();
}
} // namespace

class MonitorWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void offsetIsTheSimulatedSecondEdgeLessTheArrival()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        SimulatedClock& clock = h.AddClock(o);
        // Seven seconds ahead of this computer, its seconds still beginning
        // on the computer's.
        constexpr int kAheadSeconds = 7;
        clock.State().SetTimeOffsetMs(kAheadSeconds * 1000);
        std::vector<qint64> sentMs;
        QObject::connect(&clock, &SimulatedClock::TimeReportSent, &clock,
                         [&] { sentMs.push_back(QDateTime::currentMSecsSinceEpoch()); });
        h.SaveConnection(0, 1, 1);
        h.Start();
        const ClockMonitor& monitor = h.Core().Monitor();
        QVERIFY(Harness::WaitFor([&] { return monitor.Points().size() >= 3; }, 10000));
        for (const OffsetPoint& point : monitor.Points()) {
            // The report read at this arrival left the simulator last before it;
            // its second began on the whole second of that moment.
            qint64 sent = -1;
            for (const qint64 ms : sentMs)
                if (ms <= point.arrivalMs + 1)
                    sent = ms;
            QVERIFY(sent > 0);
            const qint64 edgeMs = sent - sent % 1000;
            const double expected = kAheadSeconds - (point.arrivalMs - edgeMs) / 1000.0;
            QVERIFY2(qAbs(point.offsetSeconds - expected) < 0.005,
                     qPrintable(QStringLiteral("offset %1 s, expected %2 s")
                                    .arg(point.offsetSeconds, 0, 'f', 6)
                                    .arg(expected, 0, 'f', 6)));
            QVERIFY(!point.gpsLocked);
        }
    }

    void opensFromTheMenuWithPointsFiguresAndTheFoundLine()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        o.gpsLocked = true;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        frmMonitor* m = OpenFromMenu(w);
        QVERIFY2(m, "no Clock Monitor action at the top of the View menu");
        QVERIFY(m->isVisible());
        QVERIFY(!m->isModal());
        QVERIFY(Harness::WaitFor([&] { return m->ChartPointCount() >= 1; }, 5000));

        auto* offset = m->findChild<QLabel*>(QStringLiteral("lblOffset"));
        auto* mean = m->findChild<QLabel*>(QStringLiteral("lblMean"));
        auto* jitter = m->findChild<QLabel*>(QStringLiteral("lblJitter"));
        auto* gps = m->findChild<QLabel*>(QStringLiteral("lblGps"));
        QVERIFY(offset && mean && jitter && gps);
        for (QLabel* value : {offset, mean, jitter})
            QVERIFY2(value->text().contains(QStringLiteral(" ms")), qPrintable(value->text()));
        QCOMPARE(gps->text(), QStringLiteral("Locked"));
        // Each figure is read with its caption through AT-SPI (tests/a11y_check.py);
        // every input has a name.
        QStringList unnamed;
        for (QWidget* widget : m->findChildren<QWidget*>()) {
            const bool input = qobject_cast<QAbstractButton*>(widget) ||
                               qobject_cast<QComboBox*>(widget) ||
                               qobject_cast<QPlainTextEdit*>(widget) ||
                               widget->objectName() == QLatin1String("chtOffset");
            if (!input)
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            if (widget->objectName().isEmpty() || !a || a->text(QAccessible::Name).isEmpty())
                unnamed << widget->metaObject()->className() + (u' ' + widget->objectName());
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u',')));

        // The log has what happened before the window opened.
        const QString log = LogText(m);
        QVERIFY2(log.contains(QStringLiteral("  found  clock on Comport 1 (")), qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("  sent  the request for the settings to ")),
                 qPrintable(log));

        // The menu raises the one window rather than opening another.
        QCOMPARE(OpenFromMenu(w), m);
        QCOMPARE(w.findChildren<frmMonitor*>().size(), qsizetype(1));
    }

    void closedWindowDoesNoWorkAndCatchesUpWhenShown()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        o.reportMs = 200;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        frmMonitor* m = OpenFromMenu(w);
        QVERIFY(m);
        QVERIFY(Harness::WaitFor([&] { return m->ChartPointCount() >= 1; }, 5000));
        m->close();
        QVERIFY(!m->isVisible());
        // Nothing of its own runs while it is closed.
        for (const QTimer* timer : m->findChildren<QTimer*>())
            QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));

        const int drawn = m->ChartPointCount();
        const QString log = LogText(m);
        const ClockMonitor& monitor = h.Core().Monitor();
        const quint64 added = monitor.TotalAdded();
        QVERIFY(h.Core().Session().SerialClock().Send(command::RequestMasterSettings{}) > 0);
        QVERIFY(Harness::WaitFor([&] { return monitor.TotalAdded() >= added + 3; }, 5000));
        QCOMPARE(m->ChartPointCount(), drawn);
        QCOMPARE(LogText(m), log);

        // Shown again, it has every point and line it missed.
        QCOMPARE(OpenFromMenu(w), m);
        QCOMPARE(m->ChartPointCount(), int(monitor.Points().size()));
        QVERIFY(m->ChartPointCount() >= drawn + 3);
        QCOMPARE(LogText(m).count(u'\n') + 1, int(h.Core().Events().Entries().size()));
        // And follows again.
        const int now = m->ChartPointCount();
        QVERIFY(Harness::WaitFor([&] { return m->ChartPointCount() > now; }, 5000));
        QCOMPARE(m->ChartPointCount(), int(monitor.Points().size()));
    }

    void aStepIsShownInSecondsAndStartsTheFiguresAgain()
    {
        Harness h;
        frmControlPanel& w = h.Start();
        frmMonitor* m = OpenFromMenu(w);
        QVERIFY(m);
        // Half a minute a few milliseconds off, then the clock set 7 hours back.
        ClockMonitor& monitor = h.Core().Monitor();
        qint64 t = QDateTime::currentMSecsSinceEpoch() - 60000;
        for (int i = 0; i < 30; ++i)
            monitor.AddPoint({t += 1000, 0.002 * (i % 2), true});
        auto* chart = m->findChild<QChartView*>(QStringLiteral("chtOffset"))->chart();
        auto* axis = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
        QVERIFY(axis);
        QCOMPARE(axis->titleText(), QStringLiteral("Offset (ms)"));
        for (int i = 0; i < 4; ++i)
            monitor.AddPoint({t += 1000, -25200.0, true});

        QCOMPARE(axis->titleText(), QStringLiteral("Offset (s)"));
        QVERIFY2(axis->min() >= -40000.0 && axis->min() < -25200.0 && axis->max() >= 0.0 &&
                     axis->max() <= 10000.0,
                 qPrintable(QStringLiteral("%1 .. %2").arg(axis->min()).arg(axis->max())));
        auto* line = qobject_cast<QXYSeries*>(chart->series().value(0));
        QCOMPARE(line->at(line->count() - 1).y(), -25200.0);
        QCOMPARE(m->findChild<QLabel*>(QStringLiteral("lblOffset"))->text(),
                 QStringLiteral("-7 h 0 min 0.0 s"));
        QCOMPARE(m->findChild<QLabel*>(QStringLiteral("lblMean"))->text(),
                 QStringLiteral("-7 h 0 min 0.0 s (4 since a step)"));
        QCOMPARE(m->findChild<QLabel*>(QStringLiteral("lblJitter"))->text(),
                 QStringLiteral("0.00 ms (4 since a step)"));
        // It opens within a 1024x768 screen.
        QVERIFY2(m->width() <= 1024 && m->height() <= 700,
                 qPrintable(QStringLiteral("%1x%2").arg(m->width()).arg(m->height())));
    }

    void logIsSavedThroughADialogAndAFailureIsShown()
    {
        Harness h;
        SimOptions o;
        o.serial = true;
        h.AddClock(o);
        h.SaveConnection(0, 1, 1);
        frmControlPanel& w = h.Start();
        QVERIFY(Harness::WaitFor([&] { return h.State().ClockFound; }, 5000));
        // The connect's requests have all gone out: the log stands still.
        const EventLog& events = h.Core().Events();
        QVERIFY(Harness::WaitFor(
            [&] { return events.Text().contains(QStringLiteral("the network settings")); }, 5000));
        frmMonitor* m = OpenFromMenu(w);
        QVERIFY(m);
        QTemporaryDir dir;

        // The button opens the dialog and returns: no loop of its own.
        auto* save = m->findChild<QAbstractButton*>(QStringLiteral("cmdSaveLog"));
        QVERIFY(save);
        save->click();
        auto* dialog = m->findChild<QFileDialog*>(QStringLiteral("dlgSaveLog"));
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        const QString path = dir.filePath(QStringLiteral("events.txt"));
        dialog->selectFile(path);
        // As the dialog's own Save button does (QFileDialog::accept is protected).
        static_cast<QDialog*>(dialog)->accept();
        QVERIFY(Harness::WaitFor([&] { return QFile::exists(path); }, 5000));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), events.Text());

        const QString bad = dir.filePath(QStringLiteral("missing/events.txt"));
        const qsizetype boxes = h.Boxes().shown.size();
        QVERIFY(!m->SaveLogTo(bad));
        QCOMPARE(h.Boxes().shown.size(), boxes + 1);
        QVERIFY2(h.Boxes().shown.last().startsWith(
                     QStringLiteral("Clock Monitor|The log could not be saved to ")),
                 qPrintable(h.Boxes().shown.last()));
        auto* status = m->findChild<QLabel*>(QStringLiteral("lblSaveStatus"));
        QVERIFY(status && status->text().contains(QStringLiteral("could not be saved")));
    }
};

TARVO_TEST_CLASS(MonitorWindow)
#include "test_monitor_window.moc"
