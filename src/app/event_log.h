// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What happened between the program and the clock, one line per event, for
// the Clock Monitor window and for saving as a text file. It belongs to the
// program core and collects whether or not the window is open.
//
// Anything in the program that learns of an event records it with
// `Record(kind, text)`; the core records on its own:
//   Found   when a clock answers on the connection in use (ClockFound set),
//   Sent    for every command that goes out on either link,
//   Refused for every datagram by which the clock refuses the network password,
//           and for a read-back that shows a change did not take,
//   Confirmed for a read-back that shows it took,
//   NotAnswered for a read-back the clock did not answer,
//   Lost    when the link watch notices the clock gone quiet (and Found again
//           when it answers once more).

#include <QDateTime>
#include <QObject>
#include <QString>
#include <deque>

namespace tarvo
{

enum class EventKind { Found, Lost, Sent, Confirmed, Refused, NotAnswered, ComputerClock };

// The kind as the saved log writes it: "found", "lost", "sent", "confirmed",
// "refused", "not answered".
QString EventKindName(EventKind kind);

struct EventEntry {
    QDateTime time; // local time
    EventKind kind = EventKind::Found;
    QString text;
};

class EventLog : public QObject
{
    Q_OBJECT
public:
    // The oldest entries go first beyond this many.
    static constexpr int MaxEntries = 1000;

    explicit EventLog(QObject* parent = nullptr);

    // Records an event now. `text` says what or whom it concerns, without
    // the kind ("the time and date to /dev/ttyUSB0", "clock at 10.0.0.5");
    // control characters in it are written as \xNN, so an entry stays one line.
    void Record(EventKind kind, const QString& text);
    // The same at a given time, for tests and for events learned late.
    void RecordAt(const QDateTime& time, EventKind kind, const QString& text);

    // Oldest first.
    const std::deque<EventEntry>& Entries() const { return m_entries; }
    // Entries ever recorded (dropped ones included): a viewer that remembers
    // the figure knows how many it has missed.
    quint64 TotalRecorded() const { return m_totalRecorded; }

    // "YYYY-MM-DD HH:MM:SS  kind  text"
    static QString LineFor(const EventEntry& entry);
    // Every entry's line, each ending in a newline.
    QString Text() const;
    // Writes Text() to `path`, replacing the file only when all of it was
    // written. False with the reason in `error` when it could not be.
    bool WriteTo(const QString& path, QString* error) const;

Q_SIGNALS:
    void Recorded(const tarvo::EventEntry& entry);

private:
    std::deque<EventEntry> m_entries;
    quint64 m_totalRecorded = 0;
};

} // namespace tarvo
