#include "PreferencesEditor.h"

#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"

namespace {

// What the screen starts from: the stored texts even when one is over its limit (the counter
// then says so and the person can shorten it), the defaults when nothing readable is stored.
SummaryPreferences storedDraft(const Preferences &preferences)
{
    try {
        return SummaryPreferences::loadStored(preferences);
    } catch (...) {
        return {};
    }
}

} // namespace

PreferencesEditor::PreferencesEditor(QObject *parent) : PreferencesEditor(Preferences::shared(), parent) {}

PreferencesEditor::PreferencesEditor(Preferences &preferences, QObject *parent)
    : QObject(parent), m_preferences(preferences), m_draft(storedDraft(preferences))
{
    connect(&AppEvents::instance(), &AppEvents::configurationApplied, this, &PreferencesEditor::revert);
}

QString PreferencesEditor::counter(const QString &text, qsizetype limit)
{
    return QStringLiteral("%1 / %2").arg(SummaryPreferences::characterCount(text)).arg(limit);
}

bool PreferencesEditor::over(const QString &text, qsizetype limit)
{
    return SummaryPreferences::characterCount(text) > limit;
}

void PreferencesEditor::setEnabled(bool enabled)
{
    if (enabled == m_draft.enabled)
        return;
    m_draft.enabled = enabled;
    Q_EMIT changed();
}

void PreferencesEditor::setText(QString SummaryPreferences::*field, const QString &text)
{
    if (m_draft.*field == text)
        return;
    m_draft.*field = text;
    Q_EMIT changed();
}

void PreferencesEditor::setBackground(const QString &text)
{
    setText(&SummaryPreferences::background, text);
}

void PreferencesEditor::setFocus(const QString &text)
{
    setText(&SummaryPreferences::focus, text);
}

void PreferencesEditor::setInstructions(const QString &text)
{
    setText(&SummaryPreferences::instructions, text);
}

void PreferencesEditor::save()
{
    SummaryPreferences draft = m_draft;
    try {
        const SummaryPreferences current = SummaryPreferences::loadStored(m_preferences);
        draft.templateID = current.templateID;
        draft.promptOverrides = current.promptOverrides;
        draft.save(m_preferences);
        m_draft = draft;
        m_error.clear();
        m_message = L(QStringLiteral("已保存。"));
    } catch (...) {
        m_error = describeCurrentError();
        m_message.clear();
    }
    Q_EMIT changed();
}

void PreferencesEditor::revert()
{
    m_draft = storedDraft(m_preferences);
    m_error.clear();
    m_message.clear();
    Q_EMIT changed();
}
