// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect/network_settings.h"

#include "link/bytes.h"
#include "link/datagram.h"

#include <algorithm>

namespace tarvo
{

const QStringList& NetmaskCaptions()
{
    static const QStringList captions = {
        QStringLiteral("255.255.255.254"), QStringLiteral("255.255.255.252"),
        QStringLiteral("255.255.255.248"), QStringLiteral("255.255.255.240"),
        QStringLiteral("255.255.255.224"), QStringLiteral("255.255.255.192"),
        QStringLiteral("255.255.255.128"), QStringLiteral("255.255.255.0"),
        QStringLiteral("255.255.254.0"),   QStringLiteral("255.255.252.0"),
        QStringLiteral("255.255.248.0"),   QStringLiteral("255.255.240.0"),
        QStringLiteral("255.255.224.0"),   QStringLiteral("255.255.192.0"),
        QStringLiteral("255.255.128.0"),   QStringLiteral("255.255.0.0"),
    };
    return captions;
}

int NetmaskIndexForCode(quint8 code)
{
    if (code > NetmaskCount)
        return NetmaskFallbackIndex;
    return code - 1;
}

QString ClockAddressProblem(const std::array<quint8, 4>& address, quint8 maskCode, bool onLoopback)
{
    const quint32 value = (quint32(address[0]) << 24) | (quint32(address[1]) << 16) |
                          (quint32(address[2]) << 8) | address[3];
    const QString text = QStringLiteral("%1.%2.%3.%4")
                             .arg(address[0])
                             .arg(address[1])
                             .arg(address[2])
                             .arg(address[3]);
    if (value == 0)
        return QStringLiteral("0.0.0.0 means no address; the clock needs one of its own");
    if (value == 0xffffffffu)
        return QStringLiteral("255.255.255.255 is the broadcast to every computer, not an "
                              "address a clock can have");
    if (address[0] == 127 && !onLoopback)
        return QStringLiteral("%1 is a loopback address: the clock would only reach itself")
            .arg(text);
    if (address[0] >= 224 && address[0] <= 239)
        return QStringLiteral("%1 is a multicast group, not an address a clock can have").arg(text);
    if (address[0] >= 240)
        return QStringLiteral("%1 is in the reserved range 240.0.0.0 to 255.255.255.254").arg(text);
    if (address[0] == 0)
        return QStringLiteral("%1 is in 0.0.0.0/8, which no computer may use as its address")
            .arg(text);
    // A two-address subnet (mask code 1) has no subnet or broadcast address.
    if (maskCode >= 2 && maskCode <= NetmaskCount) {
        const quint32 hostBits = (1u << maskCode) - 1;
        const QString mask = NetmaskCaptions().at(maskCode - 1);
        if ((value & hostBits) == 0)
            return QStringLiteral("%1 is the address of its subnet (mask %2), not of a clock on it")
                .arg(text, mask);
        if ((value & hostBits) == hostBits)
            return QStringLiteral("%1 is the broadcast address of its subnet (mask %2)")
                .arg(text, mask);
    }
    return {};
}

NetworkModelGroup NetworkGroupFor(const ClockModel* model)
{
    return model ? model->networkGroup : NetworkModelGroup::None;
}

QByteArray EmptyNetworkData()
{
    return QByteArray(NetworkDataLength, '\0');
}

QByteArray PaddedNetworkData(QByteArrayView received)
{
    QByteArray record = EmptyNetworkData();
    const qsizetype carried = std::min<qsizetype>(received.size(), NetworkDataLength);
    std::copy_n(received.data(), carried, record.data());
    return record;
}

std::array<quint8, 4> OctetsAt(QByteArrayView record, int offset)
{
    return {ByteAt(record, offset), ByteAt(record, offset + 1), ByteAt(record, offset + 2),
            ByteAt(record, offset + 3)};
}

QString DottedAddressAt(QByteArrayView record, int offset)
{
    const auto octets = OctetsAt(record, offset);
    return QStringLiteral("%1.%2.%3.%4")
        .arg(octets[0])
        .arg(octets[1])
        .arg(octets[2])
        .arg(octets[3]);
}

int Word16At(QByteArrayView record, int offset)
{
    // Unsigned on purpose: a port such as 40000 is a real value, not a negative one.
    return ByteAt(record, offset) + 256 * ByteAt(record, offset + 1);
}

namespace
{

// One record from its nibble pairs, starting at payload[start].
QByteArray JoinNibbles(QByteArrayView payload, int start)
{
    QByteArray record(NetworkDataLength, '\0');
    for (int i = 0; i < NetworkDataLength; ++i) {
        const int low = ByteAt(payload, start + 2 * i);
        const int high = ByteAt(payload, start + 2 * i + 1) & 15;
        SetByte(record, i, low + 16 * high);
    }
    return record;
}

// Copy of `record` cut or padded with zeros to the full record length.
QByteArray FullLength(const QByteArray& record)
{
    QByteArray full = record.left(NetworkDataLength);
    if (full.size() < NetworkDataLength)
        full.append(QByteArray(NetworkDataLength - full.size(), '\0'));
    return full;
}

QString PasswordTextAt(QByteArrayView record)
{
    QString text;
    for (int i = 0; i < NetworkOffset::PasswordLength; ++i)
        text.append(QChar(char16_t(ByteAt(record, NetworkOffset::Password + i))));
    return text;
}

} // namespace

UnpackedNetworkSettings UnpackNetworkSettings(const QByteArray& payload768)
{
    UnpackedNetworkSettings unpacked;
    unpacked.present =
        std::any_of(payload768.cbegin(), payload768.cend(), [](char c) { return c != '\0'; });
    const int pairBytes = 2 * NetworkDataLength;
    unpacked.networkData = JoinNibbles(payload768, 0);
    unpacked.email1 = JoinNibbles(payload768, pairBytes);
    unpacked.email2 = JoinNibbles(payload768, 2 * pairBytes);
    return unpacked;
}

const ClockModel* ModelNamedIn(QByteArrayView record)
{
    return ModelByIdentifier(ByteAt(record, NetworkOffset::ModelIdentifier));
}

NetworkSettingsView DecodeNetworkSettings(QByteArrayView record, const ClockModel* model)
{
    using namespace NetworkOffset;
    NetworkSettingsView view;
    view.group = NetworkGroupFor(model);
    view.clockAddress = DottedAddressAt(record, IPAddress);
    view.gateway = DottedAddressAt(record, Gateway);
    view.dns = DottedAddressAt(record, DNS);
    view.serverPort = QString::number(Word16At(record, ServerPort));

    if (view.group == NetworkModelGroup::Servers) {
        view.server1 = DottedAddressAt(record, Server1);
        view.server1Port = QString::number(Word16At(record, ServerPort1));
        view.server2 = DottedAddressAt(record, Server2);
        view.server2Port = QString::number(Word16At(record, ServerPort2));
        view.minutesBetweenUpdates = QString::number(Word16At(record, UpdateInterval));
    } else if (view.group == NetworkModelGroup::Broadcast) {
        for (size_t k = 0; k < BroadcastOffsets.size(); ++k) {
            const auto octets = OctetsAt(record, BroadcastOffsets[k]);
            view.broadcast[k] = DottedAddressAt(record, BroadcastOffsets[k]);
            view.broadcastEnabled[k] =
                std::any_of(octets.cbegin(), octets.cend(), [](quint8 o) { return o != 0; });
        }
        view.broadcastInterval = QString::number(Word16At(record, UpdateInterval));
    }

    view.configLocked = ByteAt(record, ConfigLocked) != 0;
    view.netmaskIndex = NetmaskIndexForCode(ByteAt(record, SubnetMaskCode));

    for (int i = 0; i < NetworkOffset::PasswordLength; ++i)
        view.passwordEnabled = view.passwordEnabled || ByteAt(record, Password + i) != 0;
    view.passwordText = PasswordTextAt(record);
    return view;
}

QList<SerialCommand> NetworkSettingsSerialFrames(const QByteArray& record)
{
    constexpr int quarter = NetworkDataLength / 4;
    const QByteArray full = FullLength(record);
    QList<SerialCommand> frames;
    for (int q = 0; q < 4; ++q)
        frames.append(
            {quint8(NetworkSettingsCommand::FirstQuarter + q), full.mid(q * quarter, quarter)});
    frames.append(SerialCommand{NetworkSettingsCommand::Apply, {}});
    return frames;
}

QList<QByteArray> NetworkSettingsDatagrams(const QByteArray& record, QByteArrayView password4)
{
    // The datagram has room for offsets 0 to 125 only; 126 and 127 stay behind.
    const QByteArray carried = FullLength(record).left(DatagramPayloadLength);
    return {BuildDatagram(DatagramCode::NetworkSettings, password4, carried),
            BuildDatagram(DatagramCode::NetworkSettingsCommit, password4, carried)};
}

} // namespace tarvo
