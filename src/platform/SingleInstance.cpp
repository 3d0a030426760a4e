#include "platform/SingleInstance.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <fcntl.h>

namespace {

// A hand-over message is one line of JSON; anything longer is not one.
constexpr qint64 maxMessageBytes = 1 << 20;

QString lockPath(const QString &folder)
{
    return folder + QStringLiteral("/hushnote.lock");
}

QString socketPath(const QString &folder)
{
    return folder + QStringLiteral("/hushnote.socket");
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject *parent) : QObject(parent), m_folder(std::move(folder)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultFolder()
{
    // One per home library: programs run with another data folder (tests, a second profile) are
    // another person's as far as the library is concerned.
    const QByteArray library = QFile::encodeName(AppPaths::homeLibrary());
    const QString tag = QString::fromLatin1(QCryptographicHash::hash(library, QCryptographicHash::Sha256).toHex().left(16));
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/hushnote-") + tag;
}

QStringList SingleInstance::filesFromArguments(const QStringList &arguments)
{
    QStringList files;
    for (const QString &argument : arguments) {
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        files << QDir::cleanPath(QDir::current().absoluteFilePath(path));
    }
    return files;
}

bool SingleInstance::claim(const QStringList &files)
{
    try {
        FileUtil::createFolders(m_folder, 0700);
        // A first start that is still starting has the lock but may not listen yet: try a while.
        for (int attempt = 0; attempt < 50; ++attempt) {
            m_lock = FileLock::acquire(lockPath(m_folder), O_RDWR | O_CREAT, false);
            if (m_lock)
                break;
            if (handOver(socketPath(m_folder), files))
                return false;
            QThread::msleep(100);
        }
    } catch (const SystemError &) {
        // No runtime folder to share: this start runs on its own.
    }
    if (!m_lock)
        return true;
    // Whatever socket is left belongs to a start that ended (it no longer holds the lock).
    QLocalServer::removeServer(socketPath(m_folder));
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    m_server->listen(socketPath(m_folder));
    return true;
}

bool SingleInstance::handOver(const QString &path, const QStringList &files) const
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000))
        return false;
    QJsonObject message;
    message.insert(QStringLiteral("files"), QJsonArray::fromStringList(files));
    message.insert(QStringLiteral("activationToken"), QString::fromUtf8(qgetenv("XDG_ACTIVATION_TOKEN")));
    socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(5000))
        return false;
    // The first start answers once it has taken the files; what was written is delivered even
    // when it is slow to answer.
    socket.waitForReadyRead(5000);
    return true;
}

void SingleInstance::serve(QLocalSocket *socket)
{
    socket->setParent(this);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > maxMessageBytes)
                socket->abort();
            return;
        }
        const QJsonObject message = QJsonDocument::fromJson(socket->readLine(maxMessageBytes)).object();
        QStringList files;
        for (const QJsonValue &file : message.value(QStringLiteral("files")).toArray()) {
            if (file.isString() && QDir::isAbsolutePath(file.toString()))
                files << file.toString();
        }
        socket->write("ok\n");
        socket->disconnectFromServer();
        Q_EMIT activated(files, message.value(QStringLiteral("activationToken")).toString());
    });
}
