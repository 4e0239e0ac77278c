// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The client's side of a Telnet session with the COM port option (RFC 854
// and RFC 2217), as a serial device server speaks it: bytes from the server
// in, the serial line's data bytes and the answers owed to the server out.
// No I/O: the device server link feeds it what its socket read and writes
// what it returns.
//
// The data byte 0xFF (the clock's usual start byte) is Telnet's IAC, so it
// travels doubled both ways. The client asks for BINARY both ways (no
// CR/NUL rewriting of the clock's bytes) and offers the COM port option; once
// the server agrees, it sets the remote port to 9600 baud, 8 data bits, no
// parity, 1 stop bit and no flow control, as a local port is set.

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <optional>

namespace tarvo
{

namespace Telnet
{
inline constexpr quint8 Se = 240;
inline constexpr quint8 Nop = 241;
inline constexpr quint8 Sb = 250;
inline constexpr quint8 Will = 251;
inline constexpr quint8 Wont = 252;
inline constexpr quint8 Do = 253;
inline constexpr quint8 Dont = 254;
inline constexpr quint8 Iac = 255;
inline constexpr quint8 Binary = 0;
inline constexpr quint8 SuppressGoAhead = 3;
inline constexpr quint8 ComPort = 44;
// COM port commands, client to server; the server answers with 100 added.
inline constexpr quint8 Signature = 0;
inline constexpr quint8 SetBaudRate = 1;
inline constexpr quint8 SetDataSize = 2;
inline constexpr quint8 SetParity = 3;
inline constexpr quint8 SetStopSize = 4;
inline constexpr quint8 SetControl = 5;
inline constexpr quint8 ServerReply = 100;
inline constexpr quint8 ParityNone = 1;
inline constexpr quint8 OneStopBit = 1;
inline constexpr quint8 NoFlowControl = 1;
} // namespace Telnet

class TelnetCodec
{
public:
    // What one read from the server gives.
    struct Output {
        QByteArray data;    // the serial line's bytes, IAC doubling undone
        QByteArray replies; // to be written back to the server, as they are
    };
    // The settings the server says its port now has; each is empty until the
    // server has answered the command that sets it.
    struct PortSettings {
        std::optional<quint32> baudRate;
        std::optional<quint8> dataSize;
        std::optional<quint8> parity;
        std::optional<quint8> stopSize;
        std::optional<quint8> control;
    };

    // The first bytes of a connection: WILL BINARY, DO BINARY, WILL COM-PORT.
    // Starts the codec afresh.
    QByteArray Start();
    Output Feed(QByteArrayView bytes);
    // Data for the server, every 0xFF doubled.
    static QByteArray Escape(QByteArrayView data);
    // The subnegotiations that set 9600 8N1 without flow control.
    static QByteArray PortSettingsCommands();

    // The server agreed to the COM port option (and was sent the settings),
    // or refused it: its port then keeps whatever settings it was given.
    bool ComPortAgreed() const { return m_local[Telnet::ComPort]; }
    bool ComPortRefused() const { return m_comPortRefused; }
    const PortSettings& Settings() const { return m_settings; }
    // Telnet commands the server sent (negotiations included): they are taken
    // out of the data wherever they fall, in the middle of a frame too.
    int CommandsSeen() const { return m_commands; }

private:
    enum class State { Data, Iac, Verb, Sub, SubIac };
    static constexpr int kMaxSub = 64;

    void OnVerb(quint8 verb, quint8 option, QByteArray& replies);
    void OnSubnegotiation(QByteArray& replies);

    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sub;
    // Per option: enabled on this side (we WILL) / the server's side (we DO),
    // and whether our own request is still waiting for its answer.
    std::array<bool, 256> m_local{};
    std::array<bool, 256> m_remote{};
    std::array<bool, 256> m_askedLocal{};
    std::array<bool, 256> m_askedRemote{};
    bool m_comPortRefused = false;
    PortSettings m_settings;
    int m_commands = 0;
};

} // namespace tarvo
