#pragma once

#include <QString>

// The three interface languages, by their stored raw values.
enum class AppLanguage { Chinese, Traditional, English };

namespace AppLanguages {
QString rawValue(AppLanguage language);
// Display name for the language picker ("简体中文", "繁體中文", "English").
QString displayName(AppLanguage language);
AppLanguage fromRawValue(const QString &raw); // anything unknown is Simplified Chinese
}

namespace AppLocalization {
// The text for a Simplified-Chinese key in the given language ("zh-Hans", "zh-Hant", "en"; anything
// else is Simplified Chinese). Tables are read once per process from the i18n resources.
QString text(const QString &key, const QString &language);
// The language stored under "app.language", "zh-Hans" when none is.
QString storedLanguage();
// Recognised speech in the interface language's Chinese script: Traditional for "zh-Hant",
// unchanged for "en", Simplified for "zh-Hans" and anything unknown (as the lookup treats it). Only for engine output, never for typed text.
QString inTranscriptScript(const QString &text, const QString &language);
}

// The key in the language stored under "app.language" (default "zh-Hans"), read at the call.
QString L(const QString &key);
