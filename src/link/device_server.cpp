// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/device_server.h"

#include <QHostAddress>

namespace tarvo
{

namespace
{
const QLatin1String kTcp("tcp:");
const QLatin1String kRfc2217("rfc2217:");

// The length of a device server prefix at `at`, 0 when there is none.
qsizetype PrefixAt(const QString& text, qsizetype at)
{
    const QStringView rest = QStringView(text).sliced(at);
    if (rest.startsWith(kTcp, Qt::CaseInsensitive))
        return kTcp.size();
    if (rest.startsWith(kRfc2217, Qt::CaseInsensitive))
        return kRfc2217.size();
    return 0;
}

bool HostNameLooksRight(const QString& host)
{
    for (const QChar c : host) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-' && c != u'_')
            return false;
    }
    return !host.isEmpty();
}
} // namespace

QString TransportName(SerialTransport transport)
{
    switch (transport) {
    case SerialTransport::Tcp:
        return QStringLiteral("tcp");
    case SerialTransport::Rfc2217:
        return QStringLiteral("rfc2217");
    case SerialTransport::Local:
        break;
    }
    return QStringLiteral("serial");
}

QString DeviceServerAddress::Text() const
{
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("%1:%2").arg(shown).arg(port);
}

bool IsDeviceServerName(const QString& name)
{
    return PrefixAt(name, 0) > 0;
}

std::optional<DeviceServerAddress> ParseDeviceServer(const QString& name, QString* error)
{
    const qsizetype prefix = PrefixAt(name, 0);
    const auto fail = [&]() -> std::optional<DeviceServerAddress> {
        if (error)
            *error = QStringLiteral("'%1' is not a device server's address: give "
                                    "tcp:HOST:PORT or rfc2217:HOST:PORT (IPv6 in brackets).")
                         .arg(name);
        return std::nullopt;
    };
    if (prefix == 0)
        return fail();
    DeviceServerAddress address;
    address.kind = prefix == kTcp.size() ? SerialTransport::Tcp : SerialTransport::Rfc2217;
    const QString rest = name.mid(prefix);
    qsizetype colon = -1;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0 || close + 1 >= rest.size() || rest[close + 1] != u':')
            return fail();
        address.host = rest.mid(1, close - 1);
        colon = close + 1;
        if (QHostAddress(address.host).protocol() != QAbstractSocket::IPv6Protocol)
            return fail();
    } else {
        colon = rest.indexOf(u':');
        if (colon < 0 || rest.indexOf(u':', colon + 1) >= 0)
            return fail();
        address.host = rest.left(colon);
        if (!HostNameLooksRight(address.host))
            return fail();
    }
    const QString portText = rest.mid(colon + 1);
    bool ok = false;
    const int port = portText.toInt(&ok);
    if (!ok || port < 1 || port > 65535 || portText.startsWith(u'+'))
        return fail();
    address.port = static_cast<quint16>(port);
    return address;
}

QStringList SplitSerialPortList(const QString& list)
{
    QStringList ports;
    qsizetype at = 0;
    while (at < list.size()) {
        qsizetype end = at;
        if (const qsizetype prefix = PrefixAt(list, at); prefix > 0) {
            // The host (an IPv6 one in brackets, with its colons), then the port.
            end = at + prefix;
            if (end < list.size() && list[end] == u'[') {
                const qsizetype close = list.indexOf(u']', end);
                end = close < 0 ? list.size() : close + 1;
            } else {
                end = list.indexOf(u':', end);
                end = end < 0 ? list.size() : end;
            }
            if (end < list.size() && list[end] == u':')
                ++end;
        }
        qsizetype next = list.indexOf(u':', end);
        if (next < 0)
            next = list.size();
        const QString item = list.mid(at, next - at).trimmed();
        if (!item.isEmpty())
            ports.append(item);
        at = next + 1;
    }
    return ports;
}

} // namespace tarvo
