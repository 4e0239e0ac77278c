#pragma once

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

// The default network access password a freshly chosen network clock is asked with.
inline constexpr const char* DefaultNetworkPassword = "7315";

// Sends NetworkData over the serial link: commands 30 to 33 with a quarter of
// the record each, then command 42 to apply it. Returns false, sending
// nothing, when the password check refuses the password fields.
bool SendNetworkSettingsViaSerial(Panel& panel);

// Sends NetworkData to the clock in use (datagram 5, then 20), waits out the
// clock's restart (the panel's ShowConfiguring, or a plain wait without one)
// and, when `shownAddress` (the address the operator gave the clock) differs
// from the connection's, follows the clock there; a clock that still does not
// answer starts a first-clock-wins search. Returns false when the password
// check stopped the send.
bool SendNetworkSettingsViaNetwork(Panel& panel, const QString& shownAddress);

// The search window's search: unless one was done already, lists the clock in
// use first and then everything a full search finds. The serial port in use is
// open again afterwards. Waits for a search that is already running to end
// first, so two searches never probe the ports at the same time.
void RunConnectionSearch(Panel& panel);

// Connects to entry `index` of the connection list: a serial entry through the
// serial connect, a network entry with the default password (and saved).
// Returns false for an index outside the list or an entry of unknown type.
bool ConnectToListEntry(Panel& panel, int index);

// The manual network connection: `address` becomes the connection in use,
// is saved and is asked for its settings.
void ConnectToAddress(Panel& panel, const QString& address);

} // namespace tarvo
