// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connect/connections.h"
#include "session/task.h"

#include <QList>

#include <QString>

namespace tarvo
{

class Panel;

// The window-independent half of the connection and network-configuration
// commands: what each command does to the program state and the links. The
// windows collect the operator's choice and call these.

// How long the clock needs to restart its network interface after new
// settings, and the two waits that follow when it moved to a new address.
inline constexpr int ConfiguringMilliseconds = 15000;
inline constexpr int ReconnectDelayMilliseconds = 6000;
inline constexpr int AnswerDelayMilliseconds = 5000;

// Sends NetworkData over the serial link: commands 30 to 33 with a quarter of
// the record each, then command 42 to apply it. Returns false, sending
// nothing, when the password check refuses the password fields.
bool SendNetworkSettingsViaSerial(Panel& panel);

// Sends NetworkData to the clock in use (datagram 5, then 20), waits out the
// clock's restart (the "Updating Network Settings" window) and, when
// `shownAddress` (the address the operator gave the clock) differs from the
// connection's, follows the clock there; a clock that still does not answer
// starts a first-clock-wins search. Returns false when the password check
// stopped the send.
Task<bool> SendNetworkSettingsViaNetwork(Panel& panel, QString shownAddress);

// The "Updating Network Settings" window, or as long a wait without a window.
Task<void> ShowConfiguring(Panel& panel);

// The search window's search: unless one was done already, lists the clock in
// use first and then everything a full search finds. A search that is running
// already (the start-up search) is let finish first, so two searches never
// probe the ports at the same time. The serial port in use is open again
// afterwards. False when CancelConnectionSearch ended it: the list holds what
// was found until then, and the next call searches again.
Task<bool> RunConnectionSearch(Panel& panel);
// Ends the running search at once (the port being probed is closed), and
// with it the search window's search, or the wait for a running search.
void CancelConnectionSearch(Panel& panel);

// The search window's rows for the connection list.
QList<SearchGridRow> SearchGridRows(Panel& panel);

// Connects to entry `index` of the connection list: a serial entry through the
// serial connect, a network entry with the default password (and saved).
// Returns false for an index outside the list or an entry of unknown type.
bool ConnectToListEntry(Panel& panel, int index);

// The manual network connection: `address` becomes the connection in use,
// is saved and is asked for its settings.
void ConnectToAddress(Panel& panel, const QString& address);

} // namespace tarvo
