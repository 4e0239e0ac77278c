// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/telnet_codec.h"

#include "link/bytes.h"

namespace tarvo
{

using namespace Telnet;

namespace
{
constexpr quint32 kBaudRate = 9600;
constexpr quint8 kDataBits = 8;
// Given to a server that asks for the client's signature.
constexpr char kSignature[] = "Tarvo Control Panel";

void Verb(QByteArray& out, quint8 verb, quint8 option)
{
    out.append(char(Iac)).append(char(verb)).append(char(option));
}

void ComPortCommand(QByteArray& out, quint8 command, QByteArrayView value)
{
    out.append(char(Iac)).append(char(Sb)).append(char(ComPort)).append(char(command));
    out.append(TelnetCodec::Escape(value));
    out.append(char(Iac)).append(char(Se));
}

// The options this client takes on its own side, and on the server's.
bool LocalOption(quint8 option)
{
    return option == Binary || option == SuppressGoAhead || option == ComPort;
}

bool RemoteOption(quint8 option)
{
    return option == Binary || option == SuppressGoAhead;
}
} // namespace

QByteArray TelnetCodec::Start()
{
    *this = TelnetCodec();
    QByteArray out;
    Verb(out, Will, Binary);
    Verb(out, Do, Binary);
    Verb(out, Will, ComPort);
    m_askedLocal[Binary] = true;
    m_askedRemote[Binary] = true;
    m_askedLocal[ComPort] = true;
    return out;
}

QByteArray TelnetCodec::Escape(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size());
    for (const char c : data) {
        out.append(c);
        if (quint8(c) == Iac)
            out.append(c);
    }
    return out;
}

QByteArray TelnetCodec::PortSettingsCommands()
{
    QByteArray out;
    const char baud[4] = {char(kBaudRate >> 24), char((kBaudRate >> 16) & 0xFF),
                          char((kBaudRate >> 8) & 0xFF), char(kBaudRate & 0xFF)};
    ComPortCommand(out, SetBaudRate, QByteArrayView(baud, 4));
    const char dataSize = char(kDataBits);
    ComPortCommand(out, SetDataSize, QByteArrayView(&dataSize, 1));
    const char parity = char(ParityNone);
    ComPortCommand(out, SetParity, QByteArrayView(&parity, 1));
    const char stop = char(OneStopBit);
    ComPortCommand(out, SetStopSize, QByteArrayView(&stop, 1));
    const char control = char(NoFlowControl);
    ComPortCommand(out, SetControl, QByteArrayView(&control, 1));
    return out;
}

TelnetCodec::Output TelnetCodec::Feed(QByteArrayView bytes)
{
    Output out;
    out.data.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 b = ByteAt(bytes, i);
        switch (m_state) {
        case State::Data:
            if (b == Iac)
                m_state = State::Iac;
            else
                out.data.append(char(b));
            break;
        case State::Iac:
            m_state = State::Data;
            if (b == Iac) {
                out.data.append(char(b));
            } else if (b >= Will && b <= Dont) {
                m_verb = b;
                m_state = State::Verb;
            } else if (b == Sb) {
                m_sub.clear();
                m_state = State::Sub;
            } else {
                ++m_commands; // NOP, data mark, break, go ahead, a stray SE ...
            }
            break;
        case State::Verb:
            ++m_commands;
            OnVerb(m_verb, b, out.replies);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == Iac)
                m_state = State::SubIac;
            else if (m_sub.size() < kMaxSub)
                m_sub.append(char(b));
            break;
        case State::SubIac:
            if (b == Iac) {
                if (m_sub.size() < kMaxSub)
                    m_sub.append(char(b));
                m_state = State::Sub;
            } else if (b == Se) {
                ++m_commands;
                OnSubnegotiation(out.replies);
                m_state = State::Data;
            } else {
                // A subnegotiation cut short by another command: it is
                // dropped, and the command is read as one.
                m_sub.clear();
                m_state = State::Iac;
                --i;
            }
            break;
        }
    }
    return out;
}

void TelnetCodec::OnVerb(quint8 verb, quint8 option, QByteArray& replies)
{
    // Each side of an option answers a request only when it changes the
    // option's state, and never answers the answer to its own request, so no
    // negotiation loops (RFC 1143).
    switch (verb) {
    case Will:
        if (!RemoteOption(option)) {
            Verb(replies, Dont, option);
        } else if (!m_remote[option]) {
            m_remote[option] = true;
            if (!m_askedRemote[option])
                Verb(replies, Do, option);
        }
        m_askedRemote[option] = false;
        break;
    case Wont:
        if (m_remote[option]) {
            m_remote[option] = false;
            Verb(replies, Dont, option);
        }
        m_askedRemote[option] = false;
        break;
    case Do:
        if (!LocalOption(option)) {
            Verb(replies, Wont, option);
        } else if (!m_local[option]) {
            m_local[option] = true;
            if (!m_askedLocal[option])
                Verb(replies, Will, option);
            if (option == ComPort) {
                m_comPortRefused = false;
                replies.append(PortSettingsCommands());
            }
        }
        m_askedLocal[option] = false;
        break;
    case Dont:
        if (m_local[option]) {
            m_local[option] = false;
            Verb(replies, Wont, option);
        }
        if (option == ComPort)
            m_comPortRefused = true;
        m_askedLocal[option] = false;
        break;
    default:
        break;
    }
}

void TelnetCodec::OnSubnegotiation(QByteArray& replies)
{
    if (m_sub.size() < 2 || ByteAt(m_sub, 0) != ComPort)
        return;
    const quint8 command = ByteAt(m_sub, 1);
    const QByteArrayView value = QByteArrayView(m_sub).sliced(2);
    switch (command) {
    case ServerReply + Signature:
        // An empty signature from the server asks for the client's.
        if (value.isEmpty())
            ComPortCommand(replies, Signature, QByteArrayView(kSignature));
        break;
    case ServerReply + SetBaudRate:
        if (value.size() == 4)
            m_settings.baudRate = quint32(ByteAt(value, 0)) << 24 |
                                  quint32(ByteAt(value, 1)) << 16 | quint32(ByteAt(value, 2)) << 8 |
                                  ByteAt(value, 3);
        break;
    case ServerReply + SetDataSize:
        if (value.size() == 1)
            m_settings.dataSize = ByteAt(value, 0);
        break;
    case ServerReply + SetParity:
        if (value.size() == 1)
            m_settings.parity = ByteAt(value, 0);
        break;
    case ServerReply + SetStopSize:
        if (value.size() == 1)
            m_settings.stopSize = ByteAt(value, 0);
        break;
    case ServerReply + SetControl:
        if (value.size() == 1)
            m_settings.control = ByteAt(value, 0);
        break;
    default:
        break; // line and modem state, flow control notices: not used here
    }
}

} // namespace tarvo
