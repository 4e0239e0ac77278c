// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/clock_model.h"
#include "clock/serial_command.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>

namespace tarvo
{

// The clock's own network configuration, `NetworkData`: 128 raw bytes. The
// program keeps the bytes as they came and edits them in place, so every
// reader and writer goes through the offsets below.
inline constexpr int NetworkDataLength = 128;

// Over the serial link each record byte travels as two bytes (low nibble first),
// followed by the two e-mail records the same way: 3 x 128 x 2 bytes.
inline constexpr int NetworkSettingsPayloadLength = 768;

namespace NetworkOffset
{
inline constexpr int IPAddress = 0;      // 4 octets
inline constexpr int SubnetMaskCode = 6; // 1..16, prefix length 32 - code
inline constexpr int Password = 8;       // 4 character codes, all zero = none
inline constexpr int PasswordLength = 4;
inline constexpr int Gateway = 12;         // 4 octets
inline constexpr int ServerPort = 20;      // 16-bit, little-endian
inline constexpr int ServerPort1 = 22;     // 16-bit, time-server models
inline constexpr int Broadcast1 = 22;      // 4 octets, broadcasting models
inline constexpr int Server1 = 24;         // 4 octets, time-server models
inline constexpr int DNS = 65;             // 4 octets
inline constexpr int ServerPort2 = 69;     // 16-bit, time-server models
inline constexpr int Server2 = 71;         // 4 octets, time-server models
inline constexpr int ConfigLocked = 87;    // non-zero = locked
inline constexpr int UpdateInterval = 88;  // 16-bit minutes, both model groups
inline constexpr int BroadcastOn = 90;     // 1 when any broadcast address is enabled
inline constexpr int ModelIdentifier = 91; // 229, 207 or 213
inline constexpr int Broadcast2 = 92;      // 4 octets, broadcasting models
inline constexpr int Broadcast3 = 96;      // 4 octets, broadcasting models
} // namespace NetworkOffset

// Offsets of broadcast addresses 1 to 3 (index 0 to 2).
inline constexpr std::array<int, 3> BroadcastOffsets = {
    NetworkOffset::Broadcast1, NetworkOffset::Broadcast2, NetworkOffset::Broadcast3};

// The subnet mask list: item index = mask code - 1.
inline constexpr int NetmaskCount = 16;
// A code above 16 is shown as "255.255.255.0".
inline constexpr int NetmaskFallbackIndex = 7;
const QStringList& NetmaskCaptions();
// List index for a mask code: -1 (nothing selected) for 0, code - 1 up to 16,
// the fallback above that.
int NetmaskIndexForCode(quint8 code);

// Why `address` cannot be the clock's own address on a subnet of mask code
// `maskCode` (0 when none), or an empty text when it can be: "no address",
// the all-hosts broadcast, multicast, loopback and reserved ranges, and the
// subnet's own and broadcast addresses. A clock already on a loopback address
// is a simulated one on this computer (`onLoopback`), and may move within
// 127.0.0.0/8.
QString ClockAddressProblem(const std::array<quint8, 4>& address, quint8 maskCode,
                            bool onLoopback = false);

// The group of a model code; None for a code no model has.
NetworkModelGroup NetworkGroupFor(const ClockModel* model);

// A record of 128 zero bytes, the state before any clock has reported.
QByteArray EmptyNetworkData();
// A received record as the 128 bytes of the record: what the network does not
// carry (its last two bytes) reads as zeros.
QByteArray PaddedNetworkData(QByteArrayView received);

// Dotted text of the four octets at `offset` ("10.0.0.5", no leading zeros).
QString DottedAddressAt(QByteArrayView record, int offset);
std::array<quint8, 4> OctetsAt(QByteArrayView record, int offset);
// The little-endian 16-bit field at `offset`, as the unsigned value 0..65535.
int Word16At(QByteArrayView record, int offset);

struct UnpackedNetworkSettings {
    QByteArray networkData; // 128 bytes
    QByteArray email1;      // 128 bytes, carried along but not interpreted
    QByteArray email2;      // 128 bytes, likewise
    bool present = false;   // any byte of the payload non-zero
};

// Rebuilds the three records from the serial reply: byte i = payload[2i] +
// 16 x (payload[2i+1] AND 15). A shorter payload reads as zeros beyond its end.
UnpackedNetworkSettings UnpackNetworkSettings(const QByteArray& payload768);

// The model the record names at offset 91, or nullptr when it names none.
const ClockModel* ModelNamedIn(QByteArrayView record);

// What the Network Settings and Password controls show for a record. Fields of
// the model group that does not apply are left empty.
struct NetworkSettingsView {
    NetworkModelGroup group = NetworkModelGroup::None;

    QString clockAddress;
    QString gateway;
    QString dns;
    QString serverPort;

    // Servers group
    QString server1;
    QString server1Port;
    QString server2;
    QString server2Port;
    QString minutesBetweenUpdates;

    // Broadcast group; each address is edited exactly when it is enabled
    std::array<QString, 3> broadcast;
    std::array<bool, 3> broadcastEnabled = {false, false, false};
    QString broadcastInterval;

    bool configLocked = false;
    int netmaskIndex = -1; // -1: no item selected

    bool passwordEnabled = false;
    // The stored password's four characters; a zero byte gives a NUL character.
    QString passwordText;
};

NetworkSettingsView DecodeNetworkSettings(QByteArrayView record, const ClockModel* model);

// Serial commands that carry the record: four 32-byte quarters, then the
// command that makes the clock apply them.
namespace NetworkSettingsCommand
{
inline constexpr quint8 FirstQuarter = 30; // 30..33 carry offsets 0-31 .. 96-127
inline constexpr quint8 Apply = 42;        // no payload
} // namespace NetworkSettingsCommand

// The five serial commands, in sending order. A record shorter than 128 bytes
// is sent padded with zeros.
QList<SerialCommand> NetworkSettingsSerialFrames(const QByteArray& record);

// The two 131-byte datagrams (code 5, then code 20) carrying offsets 0 to 125.
QList<QByteArray> NetworkSettingsDatagrams(const QByteArray& record, QByteArrayView password4);

} // namespace tarvo
