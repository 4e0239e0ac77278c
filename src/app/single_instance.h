#pragma once

#include <QLocalServer>
#include <QObject>

namespace tarvo
{

// One control panel per user: a second start asks the running one to come to
// the front and then ends, so a hidden window is never lost behind a new one.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);

    // True when another instance answered (and was asked to show itself).
    bool NotifyRunningInstance();
    // Starts listening for later starts; false when the name cannot be taken.
    bool Listen();

Q_SIGNALS:
    void ShowRequested();

private:
    QString m_name;
    QLocalServer m_server;
};

} // namespace tarvo
