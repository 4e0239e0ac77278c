// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/traffic_log.h"

#include <QDateTime>
#include <cstdio>

namespace tarvo
{

namespace
{
bool g_enabled = false;

void Write(const QString& line)
{
    const QByteArray text = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() +
                            ' ' + line.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}
} // namespace

namespace TrafficLog
{
void SetEnabled(bool enabled)
{
    g_enabled = enabled;
}

bool Enabled()
{
    return g_enabled;
}

QString Format(const char* link, bool outgoing, const QString& peer, QByteArrayView bytes,
               bool maskPassword)
{
    QString hex;
    hex.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i)
            hex += QLatin1Char(' ');
        if (maskPassword && i >= 1 && i <= 4)
            hex += QLatin1String("**");
        else
            hex += QString::asprintf("%02X", unsigned(quint8(bytes[i])));
    }
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QLatin1String(link), QLatin1String(outgoing ? "out" : "in"), peer, hex);
}

void Serial(bool outgoing, const QString& peer, QByteArrayView bytes)
{
    if (g_enabled)
        Write(Format("serial", outgoing, peer, bytes, false));
}

void Note(const QString& text)
{
    if (g_enabled)
        Write(text);
}

void Datagram(bool outgoing, const QString& peer, QByteArrayView bytes)
{
    if (g_enabled)
        Write(Format("udp", outgoing, peer, bytes, outgoing));
}
} // namespace TrafficLog

} // namespace tarvo
