#include "app/single_instance.h"

#include <QLocalSocket>

namespace tarvo
{

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent), m_name(key)
{
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            Q_EMIT ShowRequested();
            socket->disconnectFromServer();
        }
    });
}

bool SingleInstance::NotifyRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(500))
        return false;
    socket.write("show\n");
    socket.waitForBytesWritten(500);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen()
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_name))
        return true;
    // A name left behind by an instance that crashed: nobody answered on it.
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}

} // namespace tarvo
