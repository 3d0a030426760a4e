#pragma once

#include <QString>
#include <QStringList>

#include <vector>

struct Segment;

// Text helpers of the summary stage. Sizes count user-perceived characters (grapheme clusters), so a
// cut never splits an emoji sequence, a combining mark or a surrogate pair.
namespace TranscriptParts {

// Cuts text from its start into consecutive pieces of exactly `size` characters; the last piece holds
// the remainder. Joining the pieces gives back the text. Empty when size < 1 or text is empty.
QStringList split(const QString &text, int size);

// The number of user-perceived characters of text.
qsizetype characterCount(const QString &text);

// One line per segment, "[time] speaker：text" with a full-width colon (also when the speaker is
// empty), joined with line feeds and no line feed at the end.
QString render(const std::vector<Segment> &segments);

// Notes joined with a blank line between them, as the merge passes read them.
QString joinNotes(const QStringList &notes);

} // namespace TranscriptParts
