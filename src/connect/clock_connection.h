// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

namespace tarvo
{

// A way to reach one clock: the connection in use, and an entry of the list a
// search fills. Saved between runs by the settings store.
struct ClockConnection {
    qint32 ConnectionType = 1; // 0 serial, 1 network
    qint16 Comport = 1;        // 1 = the first serial port
    quint32 IPAddressValue = 0;
    QString IPaddress;
    qint16 ClockType = 1; // 1 = model 226, 2 = 229, 3 = 207, 4 = 222; 0 not yet known

    bool operator==(const ClockConnection&) const = default;
};

namespace ConnectionKind
{
inline constexpr qint32 Serial = 0;
inline constexpr qint32 Network = 1;
} // namespace ConnectionKind

} // namespace tarvo
