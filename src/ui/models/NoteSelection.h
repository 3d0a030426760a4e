#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QtQml/qqml.h>

class Workspace;

// The notes marked in the list, beside the workspace's selected note (the one the document shows,
// always among the marked ones). A plain click marks one note; Ctrl-click toggles one; Shift-click
// marks the run from the anchor (the note last clicked) to the clicked one, Ctrl+Shift adds that
// run; "全选" marks every listed note. Keyboard: Up/Down move, Shift+Up/Down extend, Space toggles.
// The marks follow the list: a note that leaves it (another scope, a search) is unmarked, and a
// selection made elsewhere (an import, a scope change) starts over with that one note.
class NoteSelection : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(NoteSelection)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(int count READ count NOTIFY changed)
    Q_PROPERTY(bool several READ several NOTIFY changed)
    // The marked notes in list order.
    Q_PROPERTY(QStringList ids READ ids NOTIFY changed)
    // How many of them are not in the trash.
    Q_PROPERTY(int liveCount READ liveCount NOTIFY changed)
    // "已选择 3 条笔记"
    Q_PROPERTY(QString summaryText READ summaryText NOTIFY changed)
    // The home library, nothing loading, and at least one marked note not in the trash.
    Q_PROPERTY(bool canProcess READ canProcess NOTIFY changed)

public:
    explicit NoteSelection(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    int count() const { return int(m_marked.size()); }
    bool several() const { return m_marked.size() > 1; }
    QStringList ids() const;
    // The marked notes that are not in the trash, in list order: what a queue may take.
    Q_INVOKABLE QStringList liveIDs() const;
    int liveCount() const { return int(liveIDs().size()); }
    QString summaryText() const;
    bool canProcess() const;
    Q_INVOKABLE bool contains(const QString &id) const { return m_marked.contains(id); }

    // modifiers: Qt::KeyboardModifiers of the click.
    Q_INVOKABLE void click(const QString &id, int modifiers);
    // A click with the modifier keys held right now.
    Q_INVOKABLE void clickWithKeyboard(const QString &id);
    Q_INVOKABLE void selectAll();
    // Selects the neighbouring note alone (step -1 up, +1 down).
    Q_INVOKABLE void move(int step);
    // Marks the run from the anchor to the neighbour of the selected note.
    Q_INVOKABLE void extend(int step);
    // Marks or unmarks the selected note; the last marked note stays.
    Q_INVOKABLE void toggleCurrent();

Q_SIGNALS:
    void workspaceChanged();
    void changed();
    // The notes whose mark changed, for the list's rows.
    void marksChanged(const QStringList &ids);

private:
    QStringList listed() const;
    QString current() const;
    void toggle(const QString &id);
    // Marks the listed run between two notes (inclusive); adding keeps the marks there were.
    void markRun(const QString &from, const QString &to, bool adding);
    void setMarked(QSet<QString> marked, const QString &current);
    void followSelection();
    void followList();

    QPointer<Workspace> m_workspace;
    QSet<QString> m_marked;
    QString m_anchor;
    bool m_selecting = false;
};
