// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/time_pickers.h"

#include <QDateEdit>
#include <QPushButton>
#include <QTimeEdit>

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
