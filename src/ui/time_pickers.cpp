// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/time_pickers.h"

#include <QDateEdit>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

namespace tarvo
{

TimePickers::TimePickers(QTimeEdit* time, QDateEdit* date, QPushButton* now)
    : QObject(time), m_time(time), m_date(date), m_now(now)
{
    setObjectName(QStringLiteral("timePickers"));
    connect(m_time, &QTimeEdit::timeChanged, this, &TimePickers::Edited);
    connect(m_date, &QDateEdit::dateChanged, this, &TimePickers::Edited);
    connect(m_now, &QPushButton::clicked, this, [this] { Follow(QDateTime::currentDateTime()); });
    m_now->setEnabled(false);
    // The clicks land on the editors' text fields inside them.
    for (QDateTimeEdit* edit :
         {static_cast<QDateTimeEdit*>(m_time), static_cast<QDateTimeEdit*>(m_date)}) {
        edit->installEventFilter(this);
        if (auto* field = edit->findChild<QLineEdit*>())
            field->installEventFilter(this);
    }
}

bool TimePickers::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QDateTimeEdit*>(watched);
    if (!edit && watched->parent())
        edit = qobject_cast<QDateTimeEdit*>(watched->parent());
    if (!edit)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
        Edited();
        break;
    case QEvent::FocusIn: {
        // The program's own focus moves (before a send) are not the operator's.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
            reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
            Edited();
        break;
    }
    case QEvent::MouseButtonRelease:
        // A click selects the whole field it lands in, so the digits typed
        // next replace it instead of being refused as a field too long.
        QTimer::singleShot(0, edit, [edit] { edit->setSelectedSection(edit->currentSection()); });
        break;
    default:
        break;
    }
    return false;
}

void TimePickers::Tick(const QDateTime& now)
{
    if (m_following)
        Put(now);
}

QDateTime TimePickers::Shown() const
{
    return QDateTime(m_date->date(), m_time->time());
}

void TimePickers::Follow(const QDateTime& now)
{
    m_following = true;
    m_now->setEnabled(false);
    Put(now);
}

void TimePickers::Put(const QDateTime& now)
{
    // The pickers' own change handling still runs: it keeps the time to send.
    m_putting = true;
    m_time->setTime(now.time());
    m_date->setDate(now.date());
    m_putting = false;
}

void TimePickers::Edited()
{
    if (m_putting || !m_following)
        return;
    m_following = false;
    m_now->setEnabled(true);
}

} // namespace tarvo
