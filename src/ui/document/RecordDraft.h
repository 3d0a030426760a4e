#pragma once

#include "document/DraftSegmentModel.h"
#include "library/Recording.h"
#include "workspace/Workspace.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqml.h>

#include <optional>

// The note editor's working copy: the title, then either the summary or the transcript's speakers
// and texts, and the bulk speaker rename. Nothing reaches the library until save(), which hands
// the copy to the workspace; a failure stays here as `error` with the draft intact.
class RecordDraft : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(RecordDraft)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(bool summaryMode READ summaryMode NOTIFY draftChanged)
    Q_PROPERTY(QString header READ header NOTIFY draftChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY draftChanged)
    Q_PROPERTY(QString summary READ summary WRITE setSummary NOTIFY draftChanged)
    Q_PROPERTY(bool hasSegments READ hasSegments NOTIFY draftChanged)
    Q_PROPERTY(DraftSegmentModel *segments READ segments CONSTANT)
    Q_PROPERTY(bool saving READ saving NOTIFY savingChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    // The rename control: speakers as listed ("未标注" for the empty one), the chosen one (-1: none).
    Q_PROPERTY(QStringList speakerLabels READ speakerLabels NOTIFY renameChanged)
    Q_PROPERTY(int sourceIndex READ sourceIndex WRITE setSourceIndex NOTIFY renameChanged)
    Q_PROPERTY(QString newName READ newName WRITE setNewName NOTIFY renameChanged)
    Q_PROPERTY(QString feedback READ feedback NOTIFY renameChanged)
    Q_PROPERTY(QString applyLabel READ applyLabel NOTIFY renameChanged)
    Q_PROPERTY(bool canApply READ canApply NOTIFY renameChanged)

public:
    explicit RecordDraft(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);

    bool summaryMode() const { return m_summaryMode; }
    QString header() const;
    QString title() const { return m_draft.title; }
    void setTitle(const QString &title);
    QString summary() const { return m_draft.summary; }
    void setSummary(const QString &summary);
    bool hasSegments() const { return m_segments.rowCount() > 0; }
    DraftSegmentModel *segments() { return &m_segments; }
    bool saving() const { return m_saving; }
    QString error() const { return m_error; }

    QStringList speakerLabels() const;
    int sourceIndex() const;
    void setSourceIndex(int index);
    QString newName() const { return m_newName; }
    void setNewName(const QString &name);
    QString feedback() const { return m_feedback; }
    // "应用到 %d 段" with the number of segments under the chosen speaker.
    QString applyLabel() const;
    bool canApply() const { return m_source.has_value() && !m_saving; }

    // Starts editing a copy of this note (the selected one when called from QML).
    void begin(const Recording &record, bool summary);
    Q_INVOKABLE bool beginSelected(bool summary);
    Q_INVOKABLE void applyRename();
    // Saves through the workspace; `saved` on success, `error` on failure.
    Q_INVOKABLE void save();
    // The draft as it would be saved.
    Recording draft() const;

Q_SIGNALS:
    void workspaceChanged();
    void draftChanged();
    void savingChanged();
    void errorChanged();
    void renameChanged();
    void saved();

private:
    QCoro::Task<> runSave(Recording edited);
    void setSaving(bool saving);
    void setError(const QString &error);

    QPointer<Workspace> m_workspace;
    Recording m_draft; // every field but the segments, which live in m_segments
    DraftSegmentModel m_segments;
    bool m_summaryMode = false;
    bool m_saving = false;
    QString m_error;
    QStringList m_speakers;
    std::optional<QString> m_source;
    QString m_newName;
    QString m_feedback;
};
