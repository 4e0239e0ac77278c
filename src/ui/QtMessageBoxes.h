// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/message_boxes.h"

#include <QPointer>
#include <QWidget>

namespace tarvo
{

// Message boxes shown as real window-modal dialogs over the main window,
// opened without a nested event loop.
class QtMessageBoxes final : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget* parent) : m_parent(parent) {}
    Task<bool> AskYesNo(const QString& title, const QString& text) override;
    void Inform(const QString& title, const QString& text) override;
    void Critical(const QString& title, const QString& text) override;
    Task<bool> AskWarning(const QString& title, const QString& text,
                          const QString& details) override;
    void Warn(const QString& title, const QString& text, const QString& details) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace tarvo
