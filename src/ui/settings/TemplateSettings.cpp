#include "TemplateSettings.h"

#include "PreferencesEditor.h"
#include "Strings.h"
#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "services/SummaryPreferences.h"

#include <QJsonDocument>
#include <QVariantMap>

TemplateSettings::TemplateSettings(QObject *parent) : TemplateSettings(Preferences::shared(), parent) {}

TemplateSettings::TemplateSettings(Preferences &preferences, QObject *parent)
    : QObject(parent), m_preferences(preferences)
{
    connect(&AppEvents::instance(), &AppEvents::configurationApplied, this, &TemplateSettings::changed);
    connect(&Strings::instance(), &Strings::languageChanged, this, &TemplateSettings::changed);
}

QString TemplateSettings::selectedID() const
{
    // Decoded without validation: a stored value that fails a limit still names its template.
    const QByteArray stored = m_preferences.data(SummaryPreferences::preferencesKey).value_or(QByteArray());
    try {
        const QJsonDocument document = QJsonDocument::fromJson(stored);
        if (document.isObject())
            return SummaryPreferences::fromJSON(document.object()).templateID;
    } catch (...) {
    }
    return SummaryTemplate::defaultID;
}

QVariantList TemplateSettings::templates() const
{
    const QString selected = selectedID();
    QVariantList list;
    for (const SummaryTemplate &summaryTemplate : SummaryTemplate::builtins()) {
        const QString name = L(summaryTemplate.name);
        list << QVariantMap{{QStringLiteral("id"), summaryTemplate.id},
                            {QStringLiteral("name"), name},
                            {QStringLiteral("description"), L(summaryTemplate.description)},
                            {QStringLiteral("isDefault"), summaryTemplate.id == selected},
                            {QStringLiteral("editLabel"), L(QStringLiteral("编辑 Prompt")) + QStringLiteral(" · ") + name}};
    }
    return list;
}

void TemplateSettings::setDefault(const QString &id)
{
    try {
        SummaryPreferences preferences = SummaryPreferences::loadStored(m_preferences);
        preferences.templateID = id;
        preferences.save(m_preferences);
        m_error.clear();
    } catch (...) {
        m_error = describeCurrentError();
    }
    Q_EMIT changed();
}

PromptEditor::PromptEditor(QObject *parent) : PromptEditor(Preferences::shared(), parent) {}

PromptEditor::PromptEditor(Preferences &preferences, QObject *parent) : QObject(parent), m_preferences(preferences) {}

void PromptEditor::setTemplateID(const QString &id)
{
    m_templateID = id;
    const SummaryPreferences stored = SummaryPreferences::load(m_preferences);
    const std::optional<SummaryTemplate> builtin = SummaryTemplate::builtin(id);
    const QString replacement = stored.promptOverrides ? stored.promptOverrides->value(id) : QString();
    m_prompt = !replacement.isEmpty() ? replacement : builtin ? builtin->prompt : QString();
    m_error.clear();
    Q_EMIT changed();
}

QString PromptEditor::name() const
{
    const std::optional<SummaryTemplate> builtin = SummaryTemplate::builtin(m_templateID);
    return builtin ? L(builtin->name) : QString();
}

void PromptEditor::setPrompt(const QString &prompt)
{
    if (prompt == m_prompt)
        return;
    m_prompt = prompt;
    Q_EMIT changed();
}

QString PromptEditor::counter() const
{
    return PreferencesEditor::counter(m_prompt, SummaryPreferences::maxPrompt);
}

bool PromptEditor::over() const
{
    return PreferencesEditor::over(m_prompt, SummaryPreferences::maxPrompt);
}

void PromptEditor::restoreBuiltIn()
{
    const std::optional<SummaryTemplate> builtin = SummaryTemplate::builtin(m_templateID);
    m_prompt = builtin ? builtin->prompt : QString();
    m_error.clear();
    Q_EMIT changed();
}

bool PromptEditor::save()
{
    try {
        SummaryPreferences preferences = SummaryPreferences::loadStored(m_preferences);
        preferences.setPrompt(m_prompt, m_templateID);
        preferences.save(m_preferences);
        m_error.clear();
        Q_EMIT changed();
        Q_EMIT saved();
        return true;
    } catch (...) {
        m_error = describeCurrentError();
        Q_EMIT changed();
        return false;
    }
}
