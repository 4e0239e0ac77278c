// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>

class QDateEdit;
class QPushButton;
class QTimeEdit;

namespace tarvo
{

// Keeps the time and date pickers on the computer's clock, so "Update Now"
// sends the computer's time. The moment the operator reaches a picker (a
// click, the keyboard's focus, a key) the following stops, so what they type
// is not overwritten by the next tick; the pickers hold it until "Now" is
// pressed.
class TimePickers : public QObject
{
    Q_OBJECT
public:
    TimePickers(QTimeEdit* time, QDateEdit* date, QPushButton* now);

    bool Following() const { return m_following; }
    // Puts the pickers to `now` when they follow the computer's clock.
    void Tick(const QDateTime& now);
    // The moment the pickers show.
    QDateTime Shown() const;
    // Follow the computer's clock again, from `now`.
    void Follow(const QDateTime& now);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Edited();
    void Put(const QDateTime& now);

    QTimeEdit* m_time;
    QDateEdit* m_date;
    QPushButton* m_now;
    bool m_following = true;
    bool m_putting = false;
};

} // namespace tarvo
