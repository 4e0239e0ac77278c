// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

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
// "Save Clock Settings…" and "Load Clock Settings…" in the File menu.
void BuildSettingsFileMenu(frmControlPanel& window);
// "About Tarvo Control Panel", after a separator at the foot of the View menu.
void BuildAboutAction(frmControlPanel& window);

// The About box's text: name and version, what the program does, its licence.
QString AboutText();

} // namespace tarvo
