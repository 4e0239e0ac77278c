// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvo
{

namespace
{
constexpr int kAnswerMs = 500;

#ifdef Q_OS_UNIX
// A folder only this user can use: owned by the user, no access for others.
bool PrivateFolder(const QString& path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}
#endif
} // namespace

QString SingleInstance::RuntimeFolder()
{
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && PrivateFolder(runtime))
        return runtime;
    const QString own =
        QDir::temp().filePath(QStringLiteral("tarvo-control-panel-%1").arg(::getuid()));
    const QByteArray path = QFile::encodeName(own);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    // Made by someone else, or left open to others: not used.
    return PrivateFolder(own) ? own : QString();
#else
    return QDir::tempPath();
#endif
}

long SingleInstance::PeerUserId(qintptr socketDescriptor)
{
#if defined(Q_OS_LINUX)
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return -1;
    return long(credentials.uid);
#else
    Q_UNUSED(socketDescriptor);
    return -1;
#endif
}

SingleInstance::SingleInstance(const QString& storeFile, QObject* parent) : QObject(parent)
{
    const QString folder = RuntimeFolder();
    if (!folder.isEmpty()) {
        const QByteArray key =
            QCryptographicHash::hash(QFileInfo(storeFile).absoluteFilePath().toUtf8(),
                                     QCryptographicHash::Sha256)
                .toHex()
                .left(16);
        m_path = QDir(folder).filePath(QStringLiteral("tarvo-control-panel-") +
                                       QString::fromLatin1(key) + QStringLiteral(".sock"));
    }
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
#ifdef Q_OS_UNIX
            const bool sameUser = PeerUserId(socket->socketDescriptor()) == long(::getuid());
#else
            const bool sameUser = true;
#endif
            if (sameUser)
                Q_EMIT ShowRequested();
            socket->disconnectFromServer();
        }
    });
}

SingleInstance::~SingleInstance()
{
    // Removes the socket file, so no name is left behind.
    m_server.close();
}

bool SingleInstance::NotifyRunningInstance()
{
    if (m_path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(kAnswerMs))
        return false;
    socket.write("show\n");
    socket.waitForBytesWritten(kAnswerMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen()
{
    if (m_path.isEmpty())
        return false;
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_path))
        return true;
    // A name left behind by a panel that was killed: nobody answered on it,
    // and in a private folder nobody else can have put it there.
    QLocalServer::removeServer(m_path);
    return m_server.listen(m_path);
}

} // namespace tarvo
