// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a sequence to its end inside a test, with the event loop turning, and
// gives its result.
#include "session/task.h"

#include <QtTest>
#include <optional>

namespace tarvo::test
{

template <typename T> Task<void> CaptureInto(Task<T> task, std::optional<T>* out)
{
    *out = co_await std::move(task);
}

inline Task<void> CaptureInto(Task<void> task, bool* done)
{
    co_await std::move(task);
    *done = true;
}

// The task's result; fails the test (and returns T{}) when it did not end
// within `timeoutMs`.
template <typename T> T RunTask(Task<T> task, int timeoutMs = 120000)
{
    std::optional<T> result;
    Job job;
    job.Start(CaptureInto(std::move(task), &result));
    if (!QTest::qWaitFor([&] { return !job.IsRunning(); }, timeoutMs))
        QTest::qFail("the sequence did not end in time", __FILE__, __LINE__);
    return result.value_or(T{});
}

inline bool RunTask(Task<void> task, int timeoutMs = 120000)
{
    bool done = false;
    Job job;
    job.Start(CaptureInto(std::move(task), &done));
    if (!QTest::qWaitFor([&] { return !job.IsRunning(); }, timeoutMs))
        QTest::qFail("the sequence did not end in time", __FILE__, __LINE__);
    return done;
}

} // namespace tarvo::test
