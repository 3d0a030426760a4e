#pragma once

#include "services/SummaryPreferences.h"

#include <QObject>
#include <QtQml/qqml.h>

class Preferences;

// The "个性化整理" section: a draft of the switch and the three personalisation texts, with their
// counters. Saving merges the stored template choice and prompt replacements into the draft, so
// edits made meanwhile in the template screens survive.
class PreferencesEditor : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(PreferencesEditor)
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY changed)
    Q_PROPERTY(QString background READ background WRITE setBackground NOTIFY changed)
    Q_PROPERTY(QString focus READ focus WRITE setFocus NOTIFY changed)
    Q_PROPERTY(QString instructions READ instructions WRITE setInstructions NOTIFY changed)
    Q_PROPERTY(QString backgroundCounter READ backgroundCounter NOTIFY changed)
    Q_PROPERTY(QString focusCounter READ focusCounter NOTIFY changed)
    Q_PROPERTY(QString instructionsCounter READ instructionsCounter NOTIFY changed)
    Q_PROPERTY(bool backgroundOver READ backgroundOver NOTIFY changed)
    Q_PROPERTY(bool focusOver READ focusOver NOTIFY changed)
    Q_PROPERTY(bool instructionsOver READ instructionsOver NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(QString error READ error NOTIFY changed)

public:
    explicit PreferencesEditor(QObject *parent = nullptr);
    explicit PreferencesEditor(Preferences &preferences, QObject *parent = nullptr);

    bool enabled() const { return m_draft.enabled; }
    void setEnabled(bool enabled);
    QString background() const { return m_draft.background; }
    void setBackground(const QString &text);
    QString focus() const { return m_draft.focus; }
    void setFocus(const QString &text);
    QString instructions() const { return m_draft.instructions; }
    void setInstructions(const QString &text);
    QString backgroundCounter() const { return counter(m_draft.background, SummaryPreferences::maxPersonalText); }
    QString focusCounter() const { return counter(m_draft.focus, SummaryPreferences::maxPersonalText); }
    QString instructionsCounter() const { return counter(m_draft.instructions, SummaryPreferences::maxInstructions); }
    bool backgroundOver() const { return over(m_draft.background, SummaryPreferences::maxPersonalText); }
    bool focusOver() const { return over(m_draft.focus, SummaryPreferences::maxPersonalText); }
    bool instructionsOver() const { return over(m_draft.instructions, SummaryPreferences::maxInstructions); }
    QString message() const { return m_message; }
    QString error() const { return m_error; }

    // "N / limit", N counting user-perceived characters.
    static QString counter(const QString &text, qsizetype limit);
    static bool over(const QString &text, qsizetype limit);

    Q_INVOKABLE void save();
    // Back to the stored preferences, messages cleared.
    Q_INVOKABLE void revert();

Q_SIGNALS:
    void changed();

private:
    void setText(QString SummaryPreferences::*field, const QString &text);

    Preferences &m_preferences;
    SummaryPreferences m_draft;
    QString m_message;
    QString m_error;
};
