#pragma once

#include "platform/FileLock.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QLocalServer;
class QLocalSocket;

// One desktop program per user. The first start holds a lock in the user's runtime folder for as
// long as it runs and listens on a local socket beside it; a later start hands its files (and the
// activation token a launcher gave it) to the first over that socket and quits, and the first
// emits activated(), imports them and comes to the front.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    // folder holds the lock and the socket; the default is a folder for the home library in the
    // user's runtime folder (XDG_RUNTIME_DIR), private to the user.
    explicit SingleInstance(QString folder = defaultFolder(), QObject *parent = nullptr);
    ~SingleInstance() override;

    static QString defaultFolder();
    // The files among a program's arguments: options dropped, file: URLs (as file managers pass
    // them) turned into paths, relative paths made absolute against the current folder.
    static QStringList filesFromArguments(const QStringList &arguments);

    // Blocking, before the event loop runs. True: this is the first start, now listening. False:
    // another start runs and took the files; this one should quit. When the first does not answer
    // at all, this one runs on its own (true) rather than not at all.
    bool claim(const QStringList &files);

Q_SIGNALS:
    // A later start handed these files over (possibly none: it only wants the window in front).
    void activated(const QStringList &files, const QString &activationToken);

private:
    bool handOver(const QString &socketPath, const QStringList &files) const;
    void serve(QLocalSocket *socket);

    QString m_folder;
    std::optional<FileLock> m_lock;
    QLocalServer *m_server = nullptr;
};
