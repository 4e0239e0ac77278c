// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tarvo
{

// The folder every file dialog of the program opens in: the last one a file
// was chosen in, or the user's documents folder (the home folder without
// one). A settings file saved and a log saved next land side by side.
QString DialogFolder();
void RememberDialogFolder(const QString& chosenFile);

} // namespace tarvo
