// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// After a change goes out, the clock is read back and the operator told what
// happened, in the status and the event log: every setting taken, the ones
// the clock did not take, or no answer at all. The change's own sends come
// first and keep their bytes and order; the read-back requests follow them.

#include "clock/settings_json.h"
#include "session/task.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tarvo
{

class Panel;

inline const QString ConfirmNoAnswerText =
    QStringLiteral("The clock did not answer; nothing was confirmed.");
inline const QString ConfirmAllTakenText = QStringLiteral("The clock took every setting.");

// How long the clock has to answer a read-back request.
inline constexpr int ConfirmAnswerMs = 3000;

// The sentence for a settings read-back: `differences` as SettingsDifferences
// gives them ("field: wanted X, the clock has Y"); `answered` false when no
// record came back.
QString SettingsConfirmation(bool answered, const QStringList& differences);

// The settings the send button sent, as the clock would hold them.
ScriptSettings SentSettings(Panel& panel, int secondOffsetPosition, const QString& phone);

// Reads the master record back and compares it with `wanted`; `requested`
// when the send itself already asked for the record.
Task<void> ConfirmSettings(Panel& panel, ScriptSettings wanted, bool requested = false);
// The time set: over the serial link the next reports must show `target`
// (moved on by the time since it was sent); over the network the clock must
// answer a request.
Task<void> ConfirmTime(Panel& panel, QDateTime target);
// Commands whose effect the clock does not report (a nudge of 5 ms, a resync,
// a reset, the DST tables): the clock must answer a request after them.
// `what` names the command in the sentence ("the resync").
Task<void> ConfirmAnswer(Panel& panel, QString what);

} // namespace tarvo
