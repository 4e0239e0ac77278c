// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Operating the clock-settings controls of the main window as an operator does.
#include "support/harness.h"

#include <QComboBox>
#include <QTest>

using namespace tarvo;

template <typename T> T* Control(QWidget& root, const QString& name)
{
    T* control = root.findChild<T*>(name);
    if (!control)
        qWarning("no control %s", qPrintable(name));
    return control;
}

// Chooses the list entry with this caption; false when the list has none.
inline bool ChooseEntry(QWidget& root, const char* list, const QString& caption)
{
    auto* box = Control<QComboBox>(root, QLatin1String(list));
    const int index = box ? box->findText(caption) : -1;
    if (index < 0)
        return false;
    box->setCurrentIndex(index);
    return true;
}

inline QString ShownEntry(QWidget& root, const char* list)
{
    auto* box = Control<QComboBox>(root, QLatin1String(list));
    return box ? box->currentText() : QString();
}

// Clicks a button with the mouse, as the operator does.
inline void ClickOn(QWidget& root, const char* name)
{
    if (auto* w = Control<QWidget>(root, QLatin1String(name)))
        QTest::mouseClick(w, Qt::LeftButton);
}
