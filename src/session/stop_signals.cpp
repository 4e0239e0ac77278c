// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/stop_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tarvo
{

namespace
{
int g_pipe[2] = {-1, -1};

void OnSignal(int signal)
{
    // Only async-signal-safe work here: the number goes down the pipe.
    const unsigned char n = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &n, 1);
}
} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (g_pipe[0] < 0) {
        if (::pipe(g_pipe) != 0)
            return;
        for (int fd : g_pipe) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::OnReadable);
    struct sigaction action {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
}

int StopSignals::ExitStatusFor(int signal)
{
    return 128 + signal;
}

void StopSignals::OnReadable()
{
    unsigned char n = 0;
    while (::read(g_pipe[0], &n, 1) == 1) {
        if (m_received == 0)
            m_received = n;
    }
    if (m_received != 0)
        Q_EMIT Stop(m_received);
}

} // namespace tarvo
