// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sequences with waits, written as C++20 coroutines on the Qt event loop. A
// sequence that waits (the 300 ms between two requests, the second of a
// probe, an answer from the clock) is a Task that co_awaits Sleep or WaitFor;
// no wait ever runs a nested event loop. Every Task runs under a Job, a
// QObject: destroying or cancelling the Job ends the sequence at the wait it
// is in, and its `finished` signal tells whoever waits for the result.
//
// Resumptions are always posted to the event loop (a timer, or a zero-time
// call), so a sequence never runs inside another object's signal: a record
// that makes a sequence go on is handled first, and the sequence continues on
// a clean stack.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tarvo
{

class Job;

namespace detail
{

// What every promise of this file carries: the Job the sequence runs under,
// so that a wait knows where to post its resumption.
struct PromiseBase {
    Job* job = nullptr;
    std::coroutine_handle<> continuation;

    std::suspend_always initial_suspend() noexcept { return {}; }
    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <typename P>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<P> done) noexcept
        {
            const std::coroutine_handle<> next = done.promise().continuation;
            return next ? next : std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    FinalAwaiter final_suspend() noexcept { return {}; }
    // Nothing in the program throws; an exception escaping a sequence is a bug.
    void unhandled_exception() noexcept { std::terminate(); }
};

// A flag shared between a wait and the callbacks it arms: the callbacks do
// nothing once the wait (and so its coroutine frame) is gone.
using Alive = std::shared_ptr<bool>;

// Resumes `h` under `job` from the event loop, unless the wait is gone.
void PostResume(Job* job, std::coroutine_handle<> h, Alive alive, int delayMs = 0);

} // namespace detail

// A sequence with a result. Lazy: it starts when it is co_awaited (or handed
// to a Job), and it owns its frame.
template <typename T = void> class [[nodiscard]] Task
{
public:
    struct promise_type : detail::PromiseBase {
        std::optional<T> value;
        Task get_return_object()
        {
            return Task(std::coroutine_handle<promise_type>::from_promise(*this));
        }
        void return_value(T v) { value = std::move(v); }
    };

    Task(Task&& other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    Task& operator=(Task&& other) noexcept
    {
        if (this != &other) {
            if (m_handle)
                m_handle.destroy();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task()
    {
        if (m_handle)
            m_handle.destroy();
    }

    bool await_ready() const noexcept { return false; }
    template <typename P>
    std::coroutine_handle<> await_suspend(std::coroutine_handle<P> awaiting) noexcept
    {
        m_handle.promise().job = awaiting.promise().job;
        m_handle.promise().continuation = awaiting;
        return m_handle;
    }
    T await_resume() { return std::move(*m_handle.promise().value); }

private:
    explicit Task(std::coroutine_handle<promise_type> h) : m_handle(h) {}
    std::coroutine_handle<promise_type> m_handle;
};

template <> class [[nodiscard]] Task<void>
{
public:
    struct promise_type : detail::PromiseBase {
        Task get_return_object()
        {
            return Task(std::coroutine_handle<promise_type>::from_promise(*this));
        }
        void return_void() {}
    };

    Task(Task&& other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    Task& operator=(Task&& other) noexcept
    {
        if (this != &other) {
            if (m_handle)
                m_handle.destroy();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task()
    {
        if (m_handle)
            m_handle.destroy();
    }

    bool await_ready() const noexcept { return false; }
    template <typename P>
    std::coroutine_handle<> await_suspend(std::coroutine_handle<P> awaiting) noexcept
    {
        m_handle.promise().job = awaiting.promise().job;
        m_handle.promise().continuation = awaiting;
        return m_handle;
    }
    void await_resume() noexcept {}

private:
    explicit Task(std::coroutine_handle<promise_type> h) : m_handle(h) {}
    std::coroutine_handle<promise_type> m_handle;
};

// Runs one Task. The Job is the sequence's owner: give it a parent, and the
// sequence ends with the parent. Cancel() (or destroying the Job) ends it at
// the wait it is in; a Cancel() from inside the sequence takes effect at its
// next wait.
class Job : public QObject
{
    Q_OBJECT
public:
    explicit Job(QObject* parent = nullptr);
    ~Job() override;

    // Starts `task`: it runs at once up to its first wait. A Job runs one task
    // in its life.
    void Start(Task<void> task);
    bool IsRunning() const { return static_cast<bool>(m_root); }
    void Cancel();

    // Runs `h` under this job, now; the waits post their resumptions here.
    void Resume(std::coroutine_handle<> h);

Q_SIGNALS:
    // The task ran to its end (not emitted when it was cancelled).
    void finished();
    void cancelled();

private:
    friend struct JobRootAccess;
    void RootDone();
    void DestroyFrames();

    std::coroutine_handle<> m_root;
    bool m_executing = false;
    bool m_cancelPending = false;
    bool m_done = false;
};

// Starts `task` under a new Job owned by `parent`; the Job deletes itself when
// the task has ended. Returns the Job, to connect to or to cancel.
Job* Spawn(QObject* parent, Task<void> task);

namespace detail
{
// The awaiters below are only ever used as named locals of the functions that
// follow: GCC 12 destroys some temporaries of a co_await expression twice
// (closures above all), so a co_await never holds a lambda or an awaiter
// built in place.
struct SleepAwaiter {
    int ms = 0;
    Alive alive = std::make_shared<bool>(true);

    explicit SleepAwaiter(int milliseconds) : ms(milliseconds) {}
    SleepAwaiter(const SleepAwaiter&) = delete;
    SleepAwaiter& operator=(const SleepAwaiter&) = delete;
    ~SleepAwaiter() { *alive = false; }
    bool await_ready() const noexcept { return false; }
    template <typename P> void await_suspend(std::coroutine_handle<P> h)
    {
        PostResume(h.promise().job, h, alive, ms < 0 ? 0 : ms);
    }
    void await_resume() const noexcept {}
};
} // namespace detail

// co_await Sleep(ms): goes on after `ms` milliseconds (monotonic, precise timer).
Task<void> Sleep(int ms);
inline Task<void> Sleep(std::chrono::milliseconds wait)
{
    return Sleep(static_cast<int>(wait.count()));
}

namespace detail
{
template <typename Sender, typename Signal> class WaitForAwaiter
{
public:
    WaitForAwaiter(const Sender* sender, Signal signal, std::function<bool()> predicate,
                   int timeoutMs)
        : m_sender(sender), m_signal(signal), m_predicate(std::move(predicate)),
          m_timeoutMs(timeoutMs)
    {
    }
    WaitForAwaiter(const WaitForAwaiter&) = delete;
    WaitForAwaiter& operator=(const WaitForAwaiter&) = delete;
    ~WaitForAwaiter() { Disarm(); }

    bool await_ready()
    {
        m_result = m_predicate && m_predicate();
        return m_result;
    }
    template <typename P> void await_suspend(std::coroutine_handle<P> h)
    {
        m_job = h.promise().job;
        m_handle = h;
        m_alive = std::make_shared<bool>(true);
        m_connection = QObject::connect(m_sender, m_signal, m_job, [this, alive = m_alive] {
            if (*alive && (!m_predicate || m_predicate()))
                Finish(true);
        });
        if (m_timeoutMs >= 0) {
            m_timer = std::make_unique<QTimer>();
            m_timer->setSingleShot(true);
            m_timer->setTimerType(Qt::PreciseTimer);
            QObject::connect(m_timer.get(), &QTimer::timeout, m_job, [this, alive = m_alive] {
                if (*alive)
                    Finish(m_predicate && m_predicate());
            });
            m_timer->start(m_timeoutMs);
        }
    }
    bool await_resume() const noexcept { return m_result; }

private:
    void Finish(bool result)
    {
        m_result = result;
        QObject::disconnect(m_connection);
        if (m_timer)
            m_timer->stop();
        detail::PostResume(m_job, m_handle, m_alive);
        // Further emissions or a late timeout must not resume twice.
        m_alive = std::make_shared<bool>(false);
    }
    void Disarm()
    {
        QObject::disconnect(m_connection);
        if (m_timer) {
            m_timer->stop();
            // The wait may end inside the timer's own signal.
            m_timer.release()->deleteLater();
        }
        if (m_alive)
            *m_alive = false;
    }

    QPointer<const Sender> m_sender;
    Signal m_signal;
    std::function<bool()> m_predicate;
    int m_timeoutMs;
    bool m_result = false;
    Job* m_job = nullptr;
    std::coroutine_handle<> m_handle;
    detail::Alive m_alive;
    QMetaObject::Connection m_connection;
    std::unique_ptr<QTimer> m_timer;
};
} // namespace detail

// co_await WaitFor(sender, &Class::signal, predicate, timeoutMs): true as soon
// as the predicate holds (checked at once and after every emission of the
// signal), false when `timeoutMs` passed first. An empty predicate waits for
// the next emission. A timeout below 0 waits without limit. Give the predicate
// as a named variable (see above).
template <typename Sender, typename Signal>
Task<bool> WaitFor(const Sender* sender, Signal signal, std::function<bool()> predicate,
                   int timeoutMs)
{
    detail::WaitForAwaiter<Sender, Signal> awaiter(sender, signal, std::move(predicate), timeoutMs);
    const bool held = co_await awaiter;
    co_return held;
}
template <typename Sender, typename Signal>
Task<bool> WaitFor(const Sender* sender, Signal signal, std::function<bool()> predicate,
                   std::chrono::milliseconds timeout)
{
    return WaitFor(sender, signal, std::move(predicate), static_cast<int>(timeout.count()));
}

} // namespace tarvo
