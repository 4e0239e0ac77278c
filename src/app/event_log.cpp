// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/event_log.h"

#include <QSaveFile>

namespace tarvo
{

namespace
{
QString OneLine(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += ch;
    }
    return out;
}
} // namespace

QString EventKindName(EventKind kind)
{
    switch (kind) {
    case EventKind::Found:
        return QStringLiteral("found");
    case EventKind::Lost:
        return QStringLiteral("lost");
    case EventKind::Sent:
        return QStringLiteral("sent");
    case EventKind::Confirmed:
        return QStringLiteral("confirmed");
    case EventKind::Refused:
        return QStringLiteral("refused");
    case EventKind::NotAnswered:
        return QStringLiteral("not answered");
    case EventKind::ComputerClock:
        return QStringLiteral("computer clock");
    }
    return QStringLiteral("event");
}

EventLog::EventLog(QObject* parent) : QObject(parent) {}

void EventLog::Record(EventKind kind, const QString& text)
{
    RecordAt(QDateTime::currentDateTime(), kind, text);
}

void EventLog::RecordAt(const QDateTime& time, EventKind kind, const QString& text)
{
    m_entries.push_back({time, kind, OneLine(text)});
    ++m_totalRecorded;
    while (m_entries.size() > MaxEntries)
        m_entries.pop_front();
    Q_EMIT Recorded(m_entries.back());
}

QString EventLog::LineFor(const EventEntry& entry)
{
    return entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  ") +
           EventKindName(entry.kind) + QStringLiteral("  ") + entry.text;
}

QString EventLog::Text() const
{
    QString text;
    for (const EventEntry& entry : m_entries)
        text += LineFor(entry) + u'\n';
    return text;
}

bool EventLog::WriteTo(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = Text().toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString().isEmpty() ? QStringLiteral("not all of it could be written")
                                                  : file.errorString();
        return false;
    }
    return true;
}

} // namespace tarvo
