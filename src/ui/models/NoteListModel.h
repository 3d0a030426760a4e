#pragma once

#include "NoteSelection.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QtQml/qqml.h>

#include <optional>
#include <vector>

class Workspace;
struct Recording;

// The note list of the sidebar: the workspace's filtered notes, newest first. A change of the
// filtered list (a keystroke in the search field, a scope, an edit) becomes row insertions,
// removals and changes of the rows that changed, so the list keeps its scroll position; only a
// list with no note in common (another library) resets it. The selected row follows selectedID.
class NoteListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(NoteListModel)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    // The marks of the rows (MarkedRole); none without one.
    Q_PROPERTY(NoteSelection *selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectedRowChanged)

public:
    enum Role { IdRole = Qt::UserRole + 1, TitleRole, DateLineRole, SelectedRole, StarredRole, TrashedRole, MarkedRole };
    Q_ENUM(Role)

    explicit NoteListModel(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    NoteSelection *selection() const { return m_selection; }
    void setSelection(NoteSelection *selection);
    int count() const { return int(m_rows.size()); }
    // -1 when the selected note is not listed.
    int selectedRow() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // "2025.03.14 · 12:05": the local day of createdAt, then the length.
    static QString dateLine(const QString &createdAt, double duration);

Q_SIGNALS:
    void workspaceChanged();
    void selectionChanged();
    void countChanged();
    void selectedRowChanged();

private:
    struct Row {
        QString id;
        QString title;
        QString dateLine;
        bool starred = false;
        bool trashed = false;
        bool operator==(const Row &) const = default;
    };
    static Row rowOf(const Recording &recording);
    void sync();
    // Removes and inserts rows so that the ids become `target`; false when the kept rows are in
    // another order (the caller resets).
    bool moveTowards(const std::vector<Row> &target);
    void followSelection();
    void followMarks(const QStringList &ids);

    QPointer<Workspace> m_workspace;
    QPointer<NoteSelection> m_selection;
    std::vector<Row> m_rows;
    std::optional<QString> m_selectedID;
};
