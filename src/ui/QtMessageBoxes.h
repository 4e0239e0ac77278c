#pragma once

#include "app/message_boxes.h"

class QWidget;

namespace tarvo
{

// Message boxes shown as real dialogs over the main window.
class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent) : m_parent(parent) {}
    bool AskYesNo(const QString& title, const QString& text) override;
    void Inform(const QString& title, const QString& text) override;
    void Critical(const QString& title, const QString& text) override;

private:
    QWidget* m_parent;
};

} // namespace tarvo
