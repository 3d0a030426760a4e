#pragma once

#include "library/Recording.h"

#include <QString>
#include <QStringView>

#include <vector>

// The note list's search: containment after full Unicode case folding, so "STRASSE" finds
// "Straße" and Greek or Cyrillic capitals find their small letters, not only ASCII.
namespace SearchText {

// Full case folding (ICU's default folding, not Qt's one-to-one simple folding).
QString fold(QStringView text);

// What a search looks at: title, summary and every segment's text, joined without a separator
// (so a match may span two parts), folded. Speaker names are not searched.
QString of(const Recording &recording);

// of() for every note, folded in parallel; same order.
std::vector<QString> ofAll(const std::vector<Recording> &recordings);

// Whether haystack contains needle (both already folded). Scans for the needle's first character
// with Qt's vectorised character search, which is several times faster than a general substring
// search for the short queries people type.
bool contains(QStringView haystack, QStringView needle);

} // namespace SearchText
