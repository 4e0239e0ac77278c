// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A clock is reached over one of two links, and a command is one call on the
// link in use: the serial link turns it into frames with the model's trailer,
// the network link into datagrams with the access password. The routines the
// clock's protocol names "...ViaSerial" and "...ViaNetwork" live in the two
// implementations.

#include "clock/clock_model.h"
#include "clock/master_settings.h"
#include "clock/serial_command.h"
#include "clock/time_commands.h"
#include "dst/dst_calc.h"
#include "session/records.h"
#include "session/task.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <variant>

namespace tarvo
{

// How long a search waits for a port's answer to one model's request, and
// for answers to the discovery broadcast.
inline constexpr std::chrono::milliseconds ProbeAnswerWait{1000};
inline constexpr std::chrono::milliseconds DiscoveryListenWait{1000};

namespace command
{
struct RequestMasterSettings {
};
// Over the serial link one request (43) brings the network settings and the
// DST tables; over the network each has its own.
struct RequestNetworkSettings {
};
struct RequestDstTables {
};
struct SetTimeAndDate {
    TimeData time;
    DateData date;
};
struct AdjustTime {
    int type = 0;      // AdjustType
    int direction = 0; // AdjustDirection
};
// Every setting, the whole block: one frame per setting, or one record.
struct MasterSettings {
    ClockSettings settings;
    QString phoneText;             // the modem's number as typed
    int secondOffsetPosition = -1; // selected position of the second-offset list
    QByteArray previousRecord;     // the record last received (byte 15 of some models)
};
// A change of settings in the form of each link: the serial link sends the
// frames (only those that changed, say), the network link the 16-byte record.
// An empty list or record sends nothing.
struct SettingsChange {
    QList<SerialCommand> serialCommands;
    QByteArray networkRecord;
};
// The reset alone (serial 19, network code 10); no request follows it here.
struct FactoryDefaults {
};
struct Resync {
};
struct DstTables {
    DstDateTable spring{};
    DstDateTable fall{};
    DstRule springRule;
    DstRule fallRule;
    int startYear = 0; // years after 2000
};
struct NetworkSettings {
    QByteArray record; // 128 bytes
};
// The modem's call now: serial only.
struct ModemUpdateNow {
};
} // namespace command

using ClockCommand =
    std::variant<command::RequestMasterSettings, command::RequestNetworkSettings,
                 command::RequestDstTables, command::SetTimeAndDate, command::AdjustTime,
                 command::MasterSettings, command::SettingsChange, command::FactoryDefaults,
                 command::Resync, command::DstTables, command::NetworkSettings,
                 command::ModemUpdateNow>;

// What a command is, as a sentence names it ("the settings", "the time").
QString CommandName(const ClockCommand& command);

class ClockLink
{
public:
    virtual ~ClockLink() = default;

    virtual LinkKind Kind() const = 0;
    // The device or the address, for messages.
    virtual QString Where() const = 0;
    // The model whose trailer serial frames carry; the model names the record
    // layout on both links. Null while it is not known.
    virtual const ClockModel* Model() const = 0;
    // Sends one command. Returns how many frames or datagrams went out: 0 when
    // nothing could be sent (the port is closed, the socket is not ready, no
    // address) or when nothing differed.
    virtual int Send(const ClockCommand& command) = 0;
    // How many frames or datagrams the command would take on this link; 0 for
    // a command the link does not carry or a change with nothing in it.
    virtual int FramesFor(const ClockCommand& command) const = 0;
    // The requests that bring every record, spaced as the clock needs them:
    // serial 1 then 43 after 20 ms; network 0, 3 and 13, 300 ms apart.
    virtual Task<void> RequestEverything() = 0;
    // The factory reset and the request for the settings it leaves: serial 19
    // and 1 back to back; network 10, then 3 a second later.
    virtual Task<void> RestoreFactoryDefaults() = 0;
    // Commands that change the clock's configuration check the stored-password
    // fields first where the link carries a password.
    virtual bool CarriesPassword() const = 0;
    // A serial clock answers only frames with its own model's trailer, so
    // asking with each trailer in turn finds its model; a network clock names
    // its model in its network settings.
    virtual bool ModelByTrailer() const = 0;
    // Only the serial link carries the clock's running time.
    virtual bool CarriesTimeReports() const = 0;
    // How long the clock is given to take a record before it is asked for it
    // again: the serial line delivers in order, a datagram needs a moment.
    virtual std::chrono::milliseconds SettleTime() const = 0;
    // How many times a request goes out within the wait for its answer: a
    // serial line does not drop frames, a datagram can be lost.
    virtual int RequestAttempts() const = 0;

    // Told once for every command that went out (at least one frame or
    // datagram), by whichever path sent it; nothing for one that could not
    // go out. A search's probes are not commands to a clock and are not told.
    void OnSent(std::function<void(const ClockCommand&)> handler) { m_onSent = std::move(handler); }

protected:
    void NoteSent(const ClockCommand& command) const
    {
        if (m_onSent)
            m_onSent(command);
    }

private:
    std::function<void(const ClockCommand&)> m_onSent;
};

} // namespace tarvo
