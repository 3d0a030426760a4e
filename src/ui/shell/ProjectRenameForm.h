#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QtQml/qqml.h>

class Workspace;

// The rename sheet of a project: the name typed, whether saving is under way, the error of the
// last attempt. A failure stays in the sheet; success announces saved() so the sheet closes.
class ProjectRenameForm : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(ProjectRenameForm)
    Q_PROPERTY(Workspace *workspace MEMBER m_workspace NOTIFY changed)
    Q_PROPERTY(QString projectID MEMBER m_projectID NOTIFY changed)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY changed)
    Q_PROPERTY(bool saving READ saving NOTIFY changed)
    Q_PROPERTY(QString error READ error NOTIFY changed)
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)
    Q_PROPERTY(QString saveLabel READ saveLabel NOTIFY changed)

public:
    explicit ProjectRenameForm(QObject *parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString &name);
    bool saving() const { return m_saving; }
    QString error() const { return m_error; }
    bool canSave() const { return !m_saving && !m_name.trimmed().isEmpty(); }
    QString saveLabel() const;

    // The sheet opens for a project: its id and current name, and no error of an earlier
    // opening (which may have been for another project).
    Q_INVOKABLE void begin(const QString &projectID, const QString &name);
    Q_INVOKABLE void save();

Q_SIGNALS:
    void changed();
    void saved();

private:
    QCoro::Task<> run(QString projectID, QString name);

    QPointer<Workspace> m_workspace;
    QString m_projectID;
    QString m_name;
    bool m_saving = false;
    QString m_error;
};
