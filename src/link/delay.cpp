#include "link/delay.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace tarvo
{

void Delay(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    // A local event loop sleeps until the timer fires instead of spinning, so a
    // long wait costs no processor time.
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(qMax<qint64>(1, deadline.remainingTime()));
        loop.exec();
        // The loop ended before its timer: the application is quitting, and
        // the wait must not turn into a busy spin that holds up the exit.
        if (timer.isActive())
            return;
    }
}

} // namespace tarvo
