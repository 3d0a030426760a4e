#include "ProjectRenameForm.h"

#include "platform/Errors.h"
#include "platform/Localization.h"
#include "workspace/Workspace.h"

ProjectRenameForm::ProjectRenameForm(QObject *parent) : QObject(parent) {}

void ProjectRenameForm::setName(const QString &name)
{
    if (m_name == name)
        return;
    m_name = name;
    Q_EMIT changed();
}

void ProjectRenameForm::begin(const QString &projectID, const QString &name)
{
    m_projectID = projectID;
    m_name = name;
    m_error.clear();
    Q_EMIT changed();
}

QString ProjectRenameForm::saveLabel() const
{
    return m_saving ? L(QStringLiteral("保存中…")) : L(QStringLiteral("保存"));
}

void ProjectRenameForm::save()
{
    if (!canSave() || !m_workspace)
        return;
    m_saving = true;
    Q_EMIT changed();
    run(m_projectID, m_name);
}

QCoro::Task<> ProjectRenameForm::run(QString projectID, QString name)
{
    QPointer<ProjectRenameForm> self(this);
    std::exception_ptr failure;
    try {
        co_await m_workspace->renameProject(projectID, name);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    m_saving = false;
    m_error = failure ? describeError(failure) : QString();
    Q_EMIT changed();
    if (!failure)
        Q_EMIT saved();
}
