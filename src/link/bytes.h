// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace tarvo
{

// Records travel as QByteArray, whose elements are signed char; every reader goes
// through these so that a byte above 127 is never taken as negative.
inline quint8 ByteAt(QByteArrayView bytes, qsizetype index)
{
    return index >= 0 && index < bytes.size() ? static_cast<quint8>(bytes[index]) : 0;
}

inline void SetByte(QByteArray& bytes, qsizetype index, int value)
{
    bytes[index] = static_cast<char>(static_cast<quint8>(value & 0xFF));
}

// Copies `count` bytes from source[sourceStart] to destination[destinationStart].
// A count of zero or less copies nothing. Indices outside either array are a
// caller's error; they are clipped instead of writing past the end.
void CopyBytes(QByteArrayView source, int sourceStart, QByteArray& destination,
               int destinationStart, int count);

} // namespace tarvo
