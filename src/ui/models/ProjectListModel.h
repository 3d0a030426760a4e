#pragma once

#include <QAbstractListModel>
#include <QPointer>
#include <QtQml/qqml.h>

#include <vector>

class Workspace;

// The sidebar's projects with the number of live notes in each. Counts and names change in place;
// the rows are rebuilt only when the list of projects itself changes.
class ProjectListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(ProjectListModel)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { IdRole = Qt::UserRole + 1, NameRole, CountRole };
    Q_ENUM(Role)

    explicit ProjectListModel(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    int count() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void workspaceChanged();
    void countChanged();

private:
    struct Row {
        QString id;
        QString name;
        int count = 0;
        bool operator==(const Row &) const = default;
    };
    void sync();

    QPointer<Workspace> m_workspace;
    std::vector<Row> m_rows;
};
