// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tarvo
{

// One control panel per settings store: a second start with the same store
// asks the running one to come to the front and then ends, so a hidden window
// is never lost behind a new one. Panels with different stores run side by
// side. The socket lives in the user's runtime folder ($XDG_RUNTIME_DIR, or a
// private folder of the user's own), where no other user can take its name,
// and a request is taken only from a process of the same user.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `storeFile` is the settings store's file; its absolute path is the key.
    explicit SingleInstance(const QString& storeFile, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket's path; empty when no private folder could be had.
    const QString& SocketPath() const { return m_path; }
    // True when another panel of this store answered (and was asked to show
    // itself).
    bool NotifyRunningInstance();
    // Starts listening for later starts; false when the name cannot be taken.
    bool Listen();

    // The folder for the socket: $XDG_RUNTIME_DIR when it is the user's own
    // and private, else a private folder made for the user. Empty when neither
    // can be had. Exposed for tests.
    static QString RuntimeFolder();
    // The user id of the process at the other end of a local socket; -1 when
    // it cannot be told.
    static long PeerUserId(qintptr socketDescriptor);

Q_SIGNALS:
    void ShowRequested();

private:
    QString m_path;
    QLocalServer m_server;
};

} // namespace tarvo
