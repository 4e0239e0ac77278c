// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock/master_settings.h"
#include "clock/password.h"
#include "connect/clock_connection.h"
#include "dst/dst_record.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tarvo
{

// Everything the program knows at run time, in one place. The core owns it and
// changes it; the windows read it and tell the core what the operator did.
// Names follow the clock protocol's own vocabulary so the code reads like the
// protocol notes.
struct ProgramState {
    ClockConnection clockConnection;

    bool ClockFound = false;        // a clock answered on the current connection
    bool SettingsRequested = false; // the serial settings request of a connect is outstanding
    bool SendingSettings = false;   // the send button's handler is running
    bool SearchInProgress = false;  // a port or network search is probing
    bool NetworkSettingsPresent = false;
    bool NetworkSettingsChanged = false;
    // The settings pages hold edits (or a loaded file) the clock has not
    // confirmed.
    bool SettingsEdited = false;
    bool PasswordRefused = true;
    // The clock in use has told its model: a serial clock by answering its
    // model's request, a network clock in its network settings.
    bool ModelTold = false;
    bool PasswordPromptShown = false;
    bool SearchDone = false;
    bool SearchCancelled = false; // the operator ended the search window's search

    // Four bytes carried in bytes 1 to 4 of every datagram except discovery.
    QByteArray NetworkPassword = DefaultNetworkPassword();
    qint16 SetTimeCountdown = 5;
    // 1 when the UDP socket is ready; every datagram send requires exactly 1.
    int NetworkAvailable = 0;
    // State of the "Update PC Clock." box: 0 off, 1 on, 2 undetermined.
    int UpdatePCclock = 0;

    // Last valid clock time and date of a time report.
    QString ClockTimeText;
    QString ClockDateText;

    // The working copy of the clock's general settings (edited by the controls,
    // sent whole by the send button).
    ClockSettings clockSettings;
    // The clock's stored-password fields of the Password page as typed: they
    // are checked before a command that changes the clock's configuration.
    struct StoredPasswordFields {
        bool enabled = false;
        QString edit;
        QString reenter;
    } storedPassword;
    // The clock's DST tables as last received or sent.
    DstTables clockDst;

    // Records as last received (and, for the network settings, as edited).
    QByteArray ClockSettingsCopy = QByteArray(41, '\0');
    QByteArray NetworkData = QByteArray(128, '\0');
    QByteArray Email1Data = QByteArray(128, '\0');
    QByteArray Email2Data = QByteArray(128, '\0');
    QByteArray LastDstRecord; // the 101-byte DST record last received

    // Serial port numbers that could be opened at start-up.
    QList<int> SerialPorts;
    // What the last search found.
    QList<ClockConnection> Connections;
};

} // namespace tarvo
