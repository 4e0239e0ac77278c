// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace tarvo
{

struct ClockModel;

// The help page of each clock model: "Velmora 229.html", "Velmora 207.html",
// "Velmora 222.html", and "Velmora.html" for model 226 and any other code.
QString HelpFileName(const ClockModel* model);
// The model the page describes, for the viewer's title ("226" for any other code).
QString HelpModelName(const ClockModel* model);
// Where help pages are looked for, first match wins: beside the program, the
// installed share folder, and the source tree of a build.
QStringList HelpSearchDirs(const QString& programDir);
// The first existing page for the model in those folders; empty when none exists.
QString FindHelpFile(const ClockModel* model, const QString& programDir);

} // namespace tarvo
