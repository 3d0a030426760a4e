#pragma once

#include "services/SummaryTemplate.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <optional>

class Preferences;

// The user's choice of summary template, personalisation texts and replacements of built-in
// template prompts. Stored as JSON data under "native.summary-preferences". Lengths count
// user-perceived characters.
struct SummaryPreferences {
    static inline const QString preferencesKey = QStringLiteral("native.summary-preferences");
    static constexpr qsizetype maxPersonalText = 1000;
    static constexpr qsizetype maxInstructions = 2000;
    static constexpr qsizetype maxPrompt = 8000;

    QString templateID = SummaryTemplate::defaultID;
    bool enabled = false;
    QString background;
    QString focus;
    QString instructions;
    // Template id -> prompt text. Never an empty map: absent instead.
    std::optional<QMap<QString, QString>> promptOverrides;

    bool operator==(const SummaryPreferences &) const = default;

    // The stored preferences, or the defaults when nothing valid is stored. Never fails.
    static SummaryPreferences load();
    static SummaryPreferences load(const Preferences &defaults);
    // The stored preferences as they are (not validated), or the defaults when nothing is stored;
    // throws when stored ones do not decode. Changes start from these, so a save either keeps the
    // person's texts or is refused by validation, never replaces them with defaults.
    static SummaryPreferences loadStored(const Preferences &defaults);
    // Validates, then stores. Throws AppFailure; on failure nothing is written.
    void save() const;
    void save(Preferences &defaults) const;
    // Throws AppFailure with the first failing rule's message.
    void validate() const;

    // The effective template: the chosen built-in (or "meeting") with the user's prompt, if any.
    SummaryTemplate effectiveTemplate() const;
    // Replaces a built-in template's prompt; the built-in text itself removes the replacement.
    // Throws AppFailure and changes nothing for an unknown template or an empty or too long prompt.
    void setPrompt(const QString &prompt, const QString &templateID);
    // The system prompt of a summary request; merging is true when partial notes are combined.
    QString prompt(bool merging) const;

    QJsonObject toJSON() const;
    QByteArray encoded() const;
    // Typed decoding; throws SystemError naming the offending field (path prefixes it, e.g.
    // "summary."). Every key but "promptOverrides" is required.
    static SummaryPreferences fromJSON(const QJsonObject &object, const QString &path = {});

    // User-perceived characters (grapheme clusters) in text.
    static qsizetype characterCount(const QString &text);
};
