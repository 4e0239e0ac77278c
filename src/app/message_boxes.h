#pragma once

#include <QString>

namespace tarvo
{

// Every message box the program shows goes through here, so tests can answer
// them without a blocking dialog.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Yes/No question with the information icon; true for Yes.
    virtual bool AskYesNo(const QString& title, const QString& text) = 0;
    // OK box with the information icon.
    virtual void Inform(const QString& title, const QString& text) = 0;
    // OK box with the critical icon.
    virtual void Critical(const QString& title, const QString& text) = 0;
};

} // namespace tarvo
