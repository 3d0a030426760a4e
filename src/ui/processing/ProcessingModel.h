#pragma once

#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqml.h>

#include <optional>

class Workspace;
struct Recording;

// The rules of the "AI 整理" popover for the selected note: which card shows what, which buttons are
// enabled, the chunk status line and the template chosen for one summary run. The template choice
// never touches the stored default and is forgotten when another note is selected.
class ProcessingModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(ProcessingModel)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(bool hasRecord READ hasRecord NOTIFY changed)
    Q_PROPERTY(bool readOnly READ readOnly NOTIFY changed)
    Q_PROPERTY(bool running READ running NOTIFY changed)
    Q_PROPERTY(double progress READ progress NOTIFY changed)
    Q_PROPERTY(QString progressText READ progressText NOTIFY changed)
    Q_PROPERTY(QString asrTitle READ asrTitle NOTIFY changed)
    Q_PROPERTY(QString summaryTitle READ summaryTitle NOTIFY changed)
    Q_PROPERTY(bool transcriptionDone READ transcriptionDone NOTIFY changed)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY changed)
    Q_PROPERTY(QString languageLine READ languageLine NOTIFY changed)
    Q_PROPERTY(QString transcribeLabel READ transcribeLabel NOTIFY changed)
    Q_PROPERTY(bool canTranscribe READ canTranscribe NOTIFY changed)
    Q_PROPERTY(QStringList templateNames READ templateNames NOTIFY changed)
    Q_PROPERTY(int templateIndex READ templateIndex WRITE setTemplateIndex NOTIFY changed)
    Q_PROPERTY(bool personalized READ personalized NOTIFY changed)
    Q_PROPERTY(QString summaryLabel READ summaryLabel NOTIFY changed)
    Q_PROPERTY(bool canSummarize READ canSummarize NOTIFY changed)

public:
    explicit ProcessingModel(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);

    bool hasRecord() const;
    bool readOnly() const;
    bool running() const;
    double progress() const;
    QString progressText() const;
    QString asrTitle() const { return m_models.asrTitle(); }
    QString summaryTitle() const { return m_models.summaryTitle(); }
    bool transcriptionDone() const;
    // "12:34 · 3 / 13": the note's length, the transcribed chunks and all chunks.
    QString statusLine() const;
    // "语言：中文": the spoken language transcription uses for the note, the detected one when the
    // setting leaves it to detection and a chunk has found it.
    QString languageLine() const;
    QString transcribeLabel() const;
    bool canTranscribe() const;
    QStringList templateNames() const;
    int templateIndex() const;
    void setTemplateIndex(int index);
    bool personalized() const { return m_preferences.enabled; }
    QString summaryLabel() const;
    bool canSummarize() const;

    // The stored preferences with this run's template, if one was chosen.
    SummaryPreferences generationPreferences() const;

    // Reads the stored preferences and model settings again (the popover calls it when it opens).
    Q_INVOKABLE void reload();
    // The popover opens: the settings are read again and the template choice, which lives only
    // while the popover is open, starts again from the default.
    Q_INVOKABLE void open();
    Q_INVOKABLE void startTranscription();
    Q_INVOKABLE void startSummary();
    Q_INVOKABLE void stop();
    Q_INVOKABLE void copyToLibrary();

Q_SIGNALS:
    void workspaceChanged();
    void changed();

private:
    std::optional<Recording> record() const;
    void selectionChanged();

    QPointer<Workspace> m_workspace;
    std::optional<QString> m_selectedTemplateID;
    SummaryPreferences m_preferences;
    ModelConfiguration m_models;
};
