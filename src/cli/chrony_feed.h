// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Samples for chrony's SOCK reference clock: chronyd binds a datagram socket
// (`refclock SOCK /run/chrony.tarvo.sock ...`) and reads `struct sock_sample`
// from it: the system time of a measurement and the offset of the true time
// from it. The layout is the machine's own (chronyd runs on the same machine).

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace tarvo
{

inline constexpr quint32 ChronySockMagic = 0x534f434b;

// The sample bytes: tv = `systemUs` (microseconds since 1970), offset in
// seconds (true time minus system time), pulse 0, leap 0, the magic number.
QByteArray ChronySample(qint64 systemUs, double offsetSeconds);

// The sending end of the socket. Each sample is sent to the path afresh, so a
// chronyd that restarts (and binds the socket again) is found again.
class ChronySocket
{
public:
    explicit ChronySocket(const QString& path);
    ~ChronySocket();
    ChronySocket(const ChronySocket&) = delete;
    ChronySocket& operator=(const ChronySocket&) = delete;

    // False, with the reason in `error`, when the sample did not go out
    // (no chronyd listening yet, path too long, no permission). `permanent`
    // tells a fault that waiting will not mend (a path that is not a socket,
    // one that cannot be written) from chronyd not listening yet.
    bool Send(const QByteArray& sample, QString* error, bool* permanent = nullptr);

    // A fault of `path` that no wait for chronyd mends: a regular file or a
    // folder where the socket should be, a path too long for a socket, a
    // socket this user may not write. Empty when the path can serve (also when
    // nothing is there yet: chronyd makes the socket when it starts).
    static QString PermanentProblem(const QString& path);

private:
    QByteArray m_path;
    int m_fd = -1;
};

} // namespace tarvo
