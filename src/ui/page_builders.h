#pragma once

namespace tarvo
{

class frmControlPanel;

// The pages of the clock-settings tabs, each group built by its own file and
// wired to the program core there, so the main window file stays small.

// "Primary", "SMPTE", "Sync/Relays", "Password", "Modem", the time-setting and
// nudge frames and the send, resync and defaults buttons.
void BuildClockSettingsPages(frmControlPanel& window);
// "Network", "Broadcast", "NTP Server", the Connections menu and its windows.
void BuildNetworkPages(frmControlPanel& window);
// "DST" and the DST dates editor.
void BuildDstPage(frmControlPanel& window);

} // namespace tarvo
