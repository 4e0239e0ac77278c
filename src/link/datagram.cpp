// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/datagram.h"

namespace tarvo
{

QByteArray PasswordBytes(QByteArrayView text)
{
    QByteArray bytes = text.first(qMin<qsizetype>(text.size(), 4)).toByteArray();
    while (bytes.size() < 4)
        bytes.append(' ');
    return bytes;
}

QByteArray BuildDatagram(quint8 code, QByteArrayView password, QByteArrayView payload)
{
    QByteArray datagram(DatagramLength, '\0');
    datagram[0] = static_cast<char>(code);
    const QByteArray pass = PasswordBytes(password);
    for (int i = 0; i < 4; ++i)
        datagram[1 + i] = pass[i];
    const qsizetype n = qMin<qsizetype>(payload.size(), DatagramPayloadLength);
    for (qsizetype i = 0; i < n; ++i)
        datagram[DatagramPayloadOffset + i] = payload[i];
    return datagram;
}

QByteArray BuildDiscoveryDatagram()
{
    QByteArray datagram(DatagramLength, '\0');
    datagram[0] = static_cast<char>(DatagramCode::Discovery);
    return datagram;
}

} // namespace tarvo
