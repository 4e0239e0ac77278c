// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/task.h"

#include <QString>

namespace tarvo
{

// Every message box the program shows goes through here, so tests can answer
// them without a dialog. None of them waits with a nested event loop: a
// question is a Task that ends with the answer.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Yes/No question with the information icon; true for Yes.
    virtual Task<bool> AskYesNo(const QString& title, const QString& text) = 0;
    // OK box with the information icon; shown, not waited for.
    virtual void Inform(const QString& title, const QString& text) = 0;
    // OK box with the critical icon; shown, not waited for.
    virtual void Critical(const QString& title, const QString& text) = 0;
    // Yes/No question with the warning icon, for a step that cannot be undone;
    // `details` (plain text, a second paragraph) says what it does. True for Yes.
    virtual Task<bool> AskWarning(const QString& title, const QString& text, const QString& details)
    {
        return AskYesNo(title, text + QStringLiteral("\n\n") + details);
    }
    // OK box with the warning icon and a second paragraph of plain text (which
    // may quote a file, so it is never read as markup); shown, not waited for.
    virtual void Warn(const QString& title, const QString& text, const QString& details)
    {
        Critical(title, text + QStringLiteral("\n\n") + details);
    }
};

} // namespace tarvo
