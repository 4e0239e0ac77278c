// SPDX-License-Identifier: GPL-3.0-or-later
// Sequences with waits: order of steps, values passed up, waits on a signal,
// and cancellation at the wait in progress (nothing runs after it, and what
// the sequence held is released).
#include "session/task.h"
#include "support/test_registry.h"

#include <QtTest>

using namespace tarvo;

namespace
{

class Source : public QObject
{
    Q_OBJECT
public:
    int value = 0;
    void Set(int v)
    {
        value = v;
        Q_EMIT Changed();
    }
Q_SIGNALS:
    void Changed();
};

struct Released {
    int* count;
    ~Released() { ++*count; }
};

Task<int> Twice(int v)
{
    co_await Sleep(1);
    co_return 2 * v;
}

Task<void> Steps(QStringList* log)
{
    log->append("a");
    co_await Sleep(5);
    log->append("b");
    const int four = co_await Twice(2);
    log->append(QString::number(four));
}

Task<void> WaitForValue(Source* source, int wanted, int timeoutMs, int* result)
{
    const auto reached = [source, wanted] { return source->value == wanted; };
    const bool held = co_await WaitFor(source, &Source::Changed, reached, timeoutMs);
    *result = held ? 1 : 0;
}

Task<void> HoldAndSleep(int* released, int* after)
{
    Released guard{released};
    co_await Sleep(50);
    ++*after;
}

Task<void> CancelSelfThenWait(Job** job, QStringList* log)
{
    log->append("before");
    (*job)->Cancel();
    log->append("still running up to the wait");
    co_await Sleep(1);
    log->append("never");
}

Task<void> NestedHold(int* released, int* after)
{
    Released outer{released};
    co_await HoldAndSleep(released, after);
    ++*after;
}

} // namespace

class SessionTask : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stepsRunInOrderWithValues()
    {
        QStringList log;
        Job job;
        bool finished = false;
        connect(&job, &Job::finished, this, [&] { finished = true; });
        job.Start(Steps(&log));
        QCOMPARE(log, QStringList{"a"}); // up to the first wait, at once
        QVERIFY(QTest::qWaitFor([&] { return finished; }, 5000));
        QCOMPARE(log, (QStringList{"a", "b", "4"}));
        QVERIFY(!job.IsRunning());
    }

    void waitForSignalPredicateAndTimeout()
    {
        Source source;
        int result = -1;
        Job held;
        held.Start(WaitForValue(&source, 3, 5000, &result));
        source.Set(1); // does not satisfy the predicate
        QTest::qWait(20);
        QCOMPARE(result, -1);
        source.Set(3);
        // The sequence goes on from the event loop, not inside the signal.
        QCOMPARE(result, -1);
        QVERIFY(QTest::qWaitFor([&] { return result != -1; }, 5000));
        QCOMPARE(result, 1);

        result = -1;
        Job timedOut;
        timedOut.Start(WaitForValue(&source, 7, 30, &result));
        QVERIFY(QTest::qWaitFor([&] { return result != -1; }, 5000));
        QCOMPARE(result, 0);

        result = -1;
        Job already;
        already.Start(WaitForValue(&source, 3, 30, &result));
        QCOMPARE(result, 1); // held before waiting: no wait at all
    }

    void cancelledSequenceStopsAndReleasesWhatItHeld()
    {
        int released = 0;
        int after = 0;
        {
            Job job;
            job.Start(NestedHold(&released, &after));
            QCOMPARE(released, 0);
            bool cancelled = false;
            connect(&job, &Job::cancelled, this, [&] { cancelled = true; });
            job.Cancel();
            QVERIFY(cancelled);
            QCOMPARE(released, 2); // both frames' locals
            QVERIFY(!job.IsRunning());
        }
        QTest::qWait(100); // the timer of the abandoned wait fires into nothing
        QCOMPARE(after, 0);

        // Deleting the owner ends its sequences the same way.
        auto* owner = new QObject;
        Spawn(owner, HoldAndSleep(&released, &after));
        delete owner;
        QCOMPARE(released, 3);
        QTest::qWait(100);
        QCOMPARE(after, 0);
    }

    void cancelFromInsideTakesEffectAtTheNextWait()
    {
        QStringList log;
        Job* job = new Job;
        bool cancelled = false;
        connect(job, &Job::cancelled, this, [&] { cancelled = true; });
        job->Start(CancelSelfThenWait(&job, &log));
        QVERIFY(cancelled);
        QCOMPARE(log, (QStringList{"before", "still running up to the wait"}));
        QTest::qWait(50);
        QCOMPARE(log.size(), 2);
        delete job;
    }

    void spawnedJobDeletesItselfWhenDone()
    {
        QStringList log;
        QObject owner;
        QPointer<Job> job = Spawn(&owner, Steps(&log));
        QVERIFY(job);
        QVERIFY(QTest::qWaitFor([&] { return job.isNull(); }, 5000));
        QCOMPARE(log.size(), 3);
    }
};

TARVO_TEST_CLASS(SessionTask)
#include "test_session_task.moc"
