#include "JobNotifier.h"
#include "SourceBinding.h"

#include "library/Recording.h"
#include "workspace/Workspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

JobNotifier::JobNotifier(QObject *parent) : JobNotifier(&JobNotifier::sendDesktopNotification, parent) {}

JobNotifier::JobNotifier(Sender sender, QObject *parent) : QObject(parent), m_sender(std::move(sender)) {}

void JobNotifier::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    m_jobNoteID.clear();
    if (workspace) {
        connect(workspace, &Workspace::jobIDChanged, this, &JobNotifier::jobChanged);
        m_jobNoteID = workspace->jobID().value_or(QString());
    }
    Q_EMIT workspaceChanged();
}

void JobNotifier::setWindowActive(bool active)
{
    if (active == m_windowActive)
        return;
    m_windowActive = active;
    Q_EMIT windowActiveChanged();
}

void JobNotifier::jobChanged()
{
    if (const std::optional<QString> &id = m_workspace->jobID()) {
        m_jobNoteID = *id;
        return;
    }
    const QString noteID = std::exchange(m_jobNoteID, QString());
    if (m_windowActive || noteID.isEmpty() || !m_sender)
        return;
    QString title;
    for (const Recording &recording : m_workspace->records()) {
        if (recording.id == noteID)
            title = recording.title;
    }
    // The job ends by setting its outcome: an error, or a notice of what is done or kept.
    const QString body = m_workspace->error().value_or(m_workspace->notice().value_or(QString()));
    m_sender(title.isEmpty() ? QStringLiteral("Hushnote") : title, body);
}

void JobNotifier::sendDesktopNotification(const QString &title, const QString &body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Hushnote") << uint(0) << QStringLiteral("hushnote") << title << body << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("hushnote")}} << int(-1);
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}
