#pragma once

#include <QString>

#include <vector>

// The languages whisper recognises, by their codes and their own names, for the spoken-language
// setting. "auto" lets the engine detect the language.
namespace SpokenLanguages {

inline const QString automatic = QStringLiteral("auto");

struct Language {
    QString code; // whisper's code, as passed with -l
    QString name; // the language's name for itself
};

// Every language whisper knows, the most common first.
const std::vector<Language> &all();

// True for "auto" and for every code in all().
bool isKnown(const QString &code);

// The name for the code, "自动检测" (looked up) for "auto", the code itself when unknown.
QString displayName(const QString &code);

} // namespace SpokenLanguages
