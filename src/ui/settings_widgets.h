// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace tarvo
{

// Small helpers for building the settings pages: every control gets its
// object name, and a label announces the control it names.

template <typename T, typename... Args> T* Named(QWidget* parent, const char* name, Args&&... args)
{
    auto* w = new T(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// A caption label that is the control's buddy and gives it its accessible name.
inline QLabel* CaptionFor(QWidget* control, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    QString spoken = caption;
    control->setAccessibleName(spoken.remove(QLatin1Char('&')));
    return label;
}

// Adds "caption  control" as a row of a grid.
inline void AddRow(QGridLayout* grid, int row, const QString& caption, QWidget* control)
{
    grid->addWidget(CaptionFor(control, caption, control->parentWidget()), row, 0);
    grid->addWidget(control, row, 1);
}

inline void FillList(QComboBox* list, const QStringList& captions)
{
    list->addItems(captions);
}

} // namespace tarvo
