#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqml.h>

class Workspace;
struct Recording;

// What the sidebar, the top bar and the notice line show of the workspace, and the commands they
// give it. Rules live here, not in QML: which scope is current, the selection kept or moved on a
// scope change, the record menu's items for a note, which buttons are enabled, the labels.
class LibraryShell : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(LibraryShell)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    // "all", "pinned", "trash" or "project" (then scopeProjectID names it).
    Q_PROPERTY(QString scopeKind READ scopeKind NOTIFY stateChanged)
    Q_PROPERTY(QString scopeProjectID READ scopeProjectID NOTIFY stateChanged)
    Q_PROPERTY(QString scopeTitle READ scopeTitle NOTIFY stateChanged)
    Q_PROPERTY(int listedCount READ listedCount NOTIFY stateChanged)
    Q_PROPERTY(int liveCount READ liveCount NOTIFY stateChanged)
    Q_PROPERTY(int pinnedCount READ pinnedCount NOTIFY stateChanged)
    Q_PROPERTY(int trashCount READ trashCount NOTIFY stateChanged)
    Q_PROPERTY(QString emptyListText READ emptyListText NOTIFY stateChanged)
    Q_PROPERTY(QString libraryLabel READ libraryLabel NOTIFY stateChanged)
    Q_PROPERTY(bool isManaged READ isManaged NOTIFY stateChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY stateChanged)
    Q_PROPERTY(bool jobRunning READ jobRunning NOTIFY stateChanged)
    // Managed library, nothing loading (a job may run): new and renamed projects.
    Q_PROPERTY(bool canChange READ canChange NOTIFY stateChanged)
    // canChange, a selected note, and not the note a job is working on: proofreading.
    Q_PROPERTY(bool canEdit READ canEdit NOTIFY stateChanged)
    // Why proofreading waits, or empty.
    Q_PROPERTY(QString editWaitReason READ editWaitReason NOTIFY stateChanged)
    // Nothing loading and no job: opening another library or going back to the home library.
    Q_PROPERTY(bool canSwitchLibrary READ canSwitchLibrary NOTIFY stateChanged)
    Q_PROPERTY(QString importLabel READ importLabel NOTIFY stateChanged)
    Q_PROPERTY(QString processingLabel READ processingLabel NOTIFY stateChanged)
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY stateChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY stateChanged)
    Q_PROPERTY(QString notice READ notice NOTIFY stateChanged)
    Q_PROPERTY(QString error READ error NOTIFY stateChanged)

public:
    explicit LibraryShell(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);

    QString scopeKind() const;
    QString scopeProjectID() const;
    QString scopeTitle() const;
    int listedCount() const;
    int liveCount() const;
    int pinnedCount() const;
    int trashCount() const;
    QString emptyListText() const;
    QString libraryLabel() const;
    bool isManaged() const;
    bool loading() const;
    bool jobRunning() const;
    bool canChange() const;
    bool canEdit() const;
    QString editWaitReason() const;
    bool canSwitchLibrary() const;
    QString importLabel() const;
    QString processingLabel() const;
    bool hasSelection() const;
    QString query() const;
    void setQuery(const QString &query);
    QString notice() const;
    QString error() const;

    // Shows a scope ("all", "pinned", "trash", "project" with its id) and keeps the selected note
    // if it is listed there, else selects the first listed note, or none.
    Q_INVOKABLE void chooseScope(const QString &kind, const QString &projectID = {});
    Q_INVOKABLE void select(const QString &recordID);

    // The record context menu of a note: a list of items, each a map with "type" ("text",
    // "action", "submenu", "separator"), "text", "enabled", and for actions "action" and
    // "projectID"; a submenu's "items" are actions.
    Q_INVOKABLE QVariantList recordMenu(const QString &recordID) const;
    // Carries out a record menu action ("restore", "star", "move", "trash").
    Q_INVOKABLE void organize(const QString &recordID, const QString &action, const QString &projectID = {});

    // Whether a new project may be created with this name (something left after trimming).
    Q_INVOKABLE static bool isUsableName(const QString &name);
    Q_INVOKABLE void createProject(const QString &name);

    Q_INVOKABLE void chooseAudio();
    Q_INVOKABLE void chooseLibrary();
    Q_INVOKABLE void loadHome();
    // format: "txt" or "md".
    Q_INVOKABLE void exportText(bool summary, const QString &format);
    Q_INVOKABLE void clearNotice();
    Q_INVOKABLE void clearError();

Q_SIGNALS:
    void workspaceChanged();
    // Any of the properties above may have changed.
    void stateChanged();

private:
    QVariantMap trashItem(const Recording &record, bool enabled) const;

    QPointer<Workspace> m_workspace;
};
