#pragma once

#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"

#include <QString>

class Preferences;

// Every user setting except API keys, as one JSON document ("Hushnote/configuration.json") that the
// configuration editor shows, validates strictly and applies to the preferences store.
struct SystemConfiguration {
    static constexpr qsizetype maxDocumentBytes = 1'000'000;
    static inline const QString languageKey = QStringLiteral("app.language");

    int version = 1;
    QString language = QStringLiteral("zh-Hans");
    ModelConfiguration models;
    SummaryPreferences summary;

    bool operator==(const SystemConfiguration &) const = default;

    // The settings in effect now, read from the preferences store. Never fails.
    static SystemConfiguration current();
    static SystemConfiguration current(const Preferences &defaults);

    // The document for the editor and the file: every built-in template's prompt is filled in,
    // the user's replacement where there is one.
    QString editingJSON() const;
    // The plain document (only the user's own prompt replacements).
    QString json() const;

    // Checks a document fully and returns its settings, with prompt replacements that merely
    // repeat a built-in prompt dropped. Throws AppFailure, or SystemError for JSON syntax and
    // type errors; nothing is changed either way.
    static SystemConfiguration parse(const QString &text);
    // Throws AppFailure with the first failing rule's message.
    void validate() const;

    // Validates, writes the document (keeping the previous file as "<file>.backup"), then stores
    // the settings and announces "configurationApplied". The preferences change only after the
    // file is written. Throws; on failure the preferences are untouched.
    void apply() const;
    void apply(Preferences &defaults, const QString &file) const;
};
