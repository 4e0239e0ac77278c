// SPDX-License-Identifier: GPL-3.0-or-later
// The rules by which each record the clock sends changes the program state:
// serial frames by their kind and the flags of a connect or a search,
// datagrams by their code. The session has decoded them; here they are
// accepted, stored and handed to the window's parsers.
#include "app/panel.h"

#include "app/dst_transfer.h"
#include "app/link_health.h"
#include "clock/password.h"
#include "connect/network_settings.h"

namespace tarvo
{

namespace
{
// Over the network the record's offsets 0 to 125 travel; 126 and 127 keep
// what they held.
constexpr int kNetworkRecordCarried = 126;
} // namespace

void Panel::OnTimeReport(const TimeReportRecord& record)
{
    if (!m_state.SearchInProgress)
        HandleTimeReport(record.payload);
    Changed();
}

void Panel::OnMasterRecord(const MasterRecord& record, const RecordSource& source)
{
    if (source.link == LinkKind::Serial) {
        // Applied only as the answer to a connect's request; any other one
        // only shows that a clock is there.
        if (!m_state.SearchInProgress && !m_state.SendingSettings && m_state.SettingsRequested &&
            SerialInUse()) {
            m_store->SaveConnectionSettings(m_state.clockConnection);
            m_state.ClockSettingsCopy = record.record;
            ParseClockSettings(m_state.ClockSettingsCopy, 1);
            m_state.ClockFound = true;
            // A serial clock answers only its own model's request.
            m_state.ModelTold = true;
            ShowStatus(QStringLiteral("Clock Found on Comport ") +
                       QString::number(m_state.clockConnection.Comport));
        }
        m_state.SettingsRequested = false;
        Changed();
        return;
    }
    if (!DatagramArrives(source))
        return;
    m_state.ClockFound = true;
    m_state.PasswordRefused = false;
    // The answer to a read-back is told by its operation; the pages keep what
    // the operator sees, edits not yet sent included.
    if (m_readingBack == 0)
        DecodeSettings(record.record);
    DatagramHandled();
}

void Panel::OnNetworkRecord(const NetworkRecord& record, const RecordSource& source)
{
    if (source.link == LinkKind::Serial) {
        // Answers to a search's probe or an operation's read-back do not
        // replace the network pages the operator may be editing, and a late
        // answer of the serial clock left for a network one does not make
        // the network one found.
        if (!m_state.SearchInProgress && m_readingBack == 0 && SerialInUse()) {
            StoreNetworkSettings(record);
            Q_EMIT DisableNetworkConfigShown(true);
            // Said once per connect: the network settings come after the
            // clock's settings, and an operator may have sent settings in
            // between, whose outcome this must not replace.
            if (!m_state.ClockFound)
                ShowStatus(QStringLiteral("Clock Found on Comport ") +
                           QString::number(m_state.clockConnection.Comport));
            m_state.ClockFound = true;
        }
        Changed();
        return;
    }
    // The answer to the quiet link's check or to a read-back only shows the
    // clock is there; the network pages keep what the operator may be editing.
    if (!m_state.SearchInProgress && (m_health->TakeKeepAliveAnswer() || m_readingBack > 0)) {
        Changed();
        return;
    }
    if (!DatagramArrives(source))
        return;
    m_state.PasswordRefused = false;
    m_state.ClockFound = true;
    const QByteArray received = PaddedNetworkData(record.networkData);
    m_state.NetworkData.resize(NetworkDataLength, '\0');
    m_state.NetworkData.replace(0, kNetworkRecordCarried, received.first(kNetworkRecordCarried));
    if (const ClockModel* named = ModelNamedIn(received)) {
        m_state.clockConnection.ClockType = static_cast<qint16>(named->code);
        m_state.ModelTold = true;
    }
    ApplyConnection();
    TakeStoredPassword();
    Q_EMIT SecondOffsetListChanged(Model());
    Q_EMIT NetworkSettingsReceived();
    DatagramHandled();
}

void Panel::OnDstRecord(const DstRecord& record, const RecordSource& source)
{
    if (source.link == LinkKind::Serial) {
        if (!m_state.SearchInProgress && SerialInUse()) {
            ParseClockSettings(record.record, 2);
            m_state.ClockFound = true;
        }
        Changed();
        return;
    }
    if (!DatagramArrives(source))
        return;
    m_state.ClockFound = true;
    ParseClockSettings(record.record, 2);
    DatagramHandled();
}

void Panel::OnPasswordRefused(const RecordSource& source)
{
    if (!DatagramArrives(source))
        return;
    m_events.Record(EventKind::Refused, QStringLiteral("the network password, by the clock at ") +
                                            m_state.clockConnection.IPaddress);
    m_state.ClockFound = true;
    m_state.PasswordRefused = true;
    m_state.PasswordPromptShown = false;
    // Told before the prompt comes back, so the operator knows why it did.
    Q_EMIT PasswordRefusedByClock();
    DatagramHandled();
}

void Panel::OnDiscoveryCode(const RecordSource& source)
{
    if (!DatagramArrives(source))
        return;
    // Outside a search the discovery code asks for the requests again.
    Spawn(this, RequestSettingsViaNetwork());
    DatagramHandled();
}

void Panel::OnOtherDatagram(const RecordSource& source)
{
    if (DatagramArrives(source))
        DatagramHandled();
}

bool Panel::DatagramArrives(const RecordSource& source)
{
    if (m_state.SearchInProgress) {
        // During a search any datagram is a clock answering the discovery.
        Q_EMIT DiscoveryAnswer(source.address);
        DatagramHandled();
        return false;
    }
    ShowStatus(QStringLiteral("Clock found at ") + m_state.clockConnection.IPaddress);
    return true;
}

void Panel::DatagramHandled()
{
    m_state.NetworkSettingsPresent = true;
    Changed();
}

void Panel::StoreNetworkSettings(const NetworkRecord& record)
{
    m_state.NetworkSettingsPresent = record.present;
    m_state.NetworkData = record.networkData;
    m_state.Email1Data = record.email1;
    m_state.Email2Data = record.email2;
    TakeStoredPassword();
    Q_EMIT NetworkSettingsReceived();
}

void Panel::TakeStoredPassword()
{
    // The Password page shows the record's password in both fields.
    const QString text = PasswordTextFromRecord(m_state.NetworkData);
    m_state.storedPassword = {PasswordEnabledInRecord(m_state.NetworkData), text, text};
}

void Panel::ParseClockSettings(const QByteArray& settings, int dataType)
{
    switch (dataType) {
    case 0: {
        const UnpackedNetworkSettings unpacked = UnpackNetworkSettings(settings);
        StoreNetworkSettings(
            {unpacked.networkData, unpacked.email1, unpacked.email2, unpacked.present});
        break;
    }
    case 1:
        DecodeSettings(settings);
        break;
    case 2:
        m_state.LastDstRecord = settings;
        if (AcceptDstRecord(m_state, settings))
            Q_EMIT DstDatesReceived();
        break;
    default:
        break;
    }
}

} // namespace tarvo

namespace tarvo
{

bool Panel::SerialInUse() const
{
    return m_state.clockConnection.ConnectionType == ConnectionKind::Serial;
}

void Panel::DecodeSettings(const QByteArray& record)
{
    const MasterDecodeResult decoded = DecodeMasterRecord(record, Model(), m_state.clockSettings);
    m_state.clockSettings = decoded.settings;
    Q_EMIT SettingsDecoded(decoded.view);
    // The pages show what the clock sent (a loaded file marks itself again).
    MarkEdited(false);
}

} // namespace tarvo
