// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

namespace tarvo
{

// Field-support trace of every frame and datagram, one line on stderr each:
// time, link, direction, peer, hex bytes. Off unless enabled at start-up.
// Bytes 1 to 4 of a datagram hold the access password and are masked.
namespace TrafficLog
{
void SetEnabled(bool enabled);
bool Enabled();
void Serial(bool outgoing, const QString& peer, QByteArrayView bytes);
void Datagram(bool outgoing, const QString& peer, QByteArrayView bytes);
// A line of its own, such as a count of datagrams that were dropped.
void Note(const QString& text);
// The line as written, without the time stamp; exposed for tests.
QString Format(const char* link, bool outgoing, const QString& peer, QByteArrayView bytes,
               bool maskPassword);
} // namespace TrafficLog

} // namespace tarvo
