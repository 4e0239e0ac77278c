// The wait that keeps the window alive: it lasts its length, runs events
// meanwhile, and ends at once when the application quits.
#include "support/test_registry.h"
#include "link/delay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace tarvo;

class LinkDelay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void waitsItsLengthWithEventsRunning()
    {
        QElapsedTimer t;
        t.start();
        Delay(0);
        Delay(-5);
        QVERIFY(t.elapsed() < 5);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(10);
        t.restart();
        Delay(120);
        QVERIFY(t.elapsed() >= 120);
        QVERIFY2(ticks >= 5, "events must keep running during the wait");
    }

    // Last: once the application quits, every later wait ends at once too.
    void quittingEndsTheWait()
    {
        QElapsedTimer t;
        t.start();
        QTimer::singleShot(50, [] { QCoreApplication::exit(0); });
        Delay(3000);
        QVERIFY2(t.elapsed() < 1500, "a wait must not hold up the exit");
    }
};

TARVO_TEST_CLASS(LinkDelay)
#include "test_link_delay.moc"
