#pragma once

#include "library/Recording.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <vector>

// The note list's search: containment after full Unicode case folding, so "STRASSE" finds
// "Straße" and Greek or Cyrillic capitals find their small letters, not only ASCII.
namespace SearchText {

// Full case folding (ICU's default folding, not Qt's one-to-one simple folding).
QString fold(QStringView text);

// What a search looks at in one note: the title, the summary and every segment's text, in that
// order, each folded, read as one text joined without a separator (so a match may span two
// parts). Speaker names are not searched. A part that folding leaves as it is (Chinese text,
// lower-case Latin) is the note's own string, shared rather than copied.
using Parts = std::vector<QString>;
Parts of(const Recording &recording);

// of() for every note, folded in parallel; same order. Once cancelled is set, the rest are left
// empty (the result is then of no use).
std::vector<Parts> ofAll(const std::vector<Recording> &recordings, const std::atomic<bool> *cancelled = nullptr);

// Whether haystack contains needle (both already folded). Scans for the needle's first character
// with Qt's vectorised character search, which is several times faster than a general substring
// search for the short queries people type.
bool contains(QStringView haystack, QStringView needle);
// Whether the parts, read as one text, contain needle (already folded).
bool contains(const Parts &parts, QStringView needle);

// A match of a search in a text, in the text's own characters.
struct Span {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Span &) const = default;
};
// Where needle (already folded) occurs in text, so a view marks exactly what the search matched.
// The text is folded character by character: a match that takes part of a letter folding to
// several ("ß" to "ss") covers the whole letter. In order, not overlapping.
std::vector<Span> matches(QStringView text, QStringView needle);

} // namespace SearchText
