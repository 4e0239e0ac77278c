// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/task.h"

namespace tarvo
{

namespace
{

// The outermost frame of a Job's sequence: it awaits the Task and tells the
// Job when the Task has ended.
struct JobRoot {
    struct promise_type : detail::PromiseBase {
        JobRoot get_return_object()
        {
            return JobRoot{std::coroutine_handle<promise_type>::from_promise(*this)};
        }
        struct Final {
            bool await_ready() noexcept { return false; }
            void await_suspend(std::coroutine_handle<promise_type> h) noexcept;
            void await_resume() noexcept {}
        };
        Final final_suspend() noexcept { return {}; }
        void return_void() {}
    };
    std::coroutine_handle<promise_type> handle;
};

JobRoot RunRoot(Task<void> task)
{
    co_await std::move(task);
}

} // namespace

struct JobRootAccess {
    static void Done(Job* job) { job->RootDone(); }
};

void JobRoot::promise_type::Final::await_suspend(std::coroutine_handle<promise_type> h) noexcept
{
    Job* job = h.promise().job;
    h.destroy();
    if (job)
        JobRootAccess::Done(job);
}

void detail::PostResume(Job* job, std::coroutine_handle<> h, Alive alive, int delayMs)
{
    Q_ASSERT(job);
    QTimer::singleShot(delayMs, Qt::PreciseTimer, job, [job, h, alive = std::move(alive)] {
        if (*alive)
            job->Resume(h);
    });
}

Job::Job(QObject* parent) : QObject(parent) {}

Job::~Job()
{
    // A Job is deleted from the event loop (deleteLater, or with its parent),
    // never from inside its own sequence.
    Q_ASSERT(!m_executing);
    DestroyFrames();
}

void Job::Start(Task<void> task)
{
    Q_ASSERT(!m_root && !m_done);
    JobRoot root = RunRoot(std::move(task));
    root.handle.promise().job = this;
    m_root = root.handle;
    Resume(m_root);
}

void Job::Resume(std::coroutine_handle<> h)
{
    if (!m_root)
        return;
    const bool outer = !m_executing;
    m_executing = true;
    h.resume();
    if (!outer)
        return;
    m_executing = false;
    if (m_done) {
        // Nothing of this object is touched after the signal: a receiver may
        // delete the Job.
        Q_EMIT finished();
        return;
    }
    if (m_cancelPending) {
        DestroyFrames();
        Q_EMIT cancelled();
    }
}

void Job::Cancel()
{
    if (!m_root)
        return;
    if (m_executing) {
        m_cancelPending = true;
        return;
    }
    DestroyFrames();
    Q_EMIT cancelled();
}

void Job::RootDone()
{
    m_root = {};
    m_done = true;
}

void Job::DestroyFrames()
{
    m_cancelPending = false;
    if (!m_root)
        return;
    // Destroying the root frame destroys the awaited Task and, through it,
    // every frame down to the wait in progress, whose callbacks are disarmed.
    const std::coroutine_handle<> root = std::exchange(m_root, {});
    root.destroy();
}

Task<void> Sleep(int ms)
{
    detail::SleepAwaiter awaiter(ms);
    co_await awaiter;
}

Job* Spawn(QObject* parent, Task<void> task)
{
    auto* job = new Job(parent);
    QObject::connect(job, &Job::finished, job, &QObject::deleteLater);
    QObject::connect(job, &Job::cancelled, job, &QObject::deleteLater);
    job->Start(std::move(task));
    return job;
}

} // namespace tarvo
