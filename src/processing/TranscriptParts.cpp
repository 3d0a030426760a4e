#include "processing/TranscriptParts.h"

#include "library/Recording.h"
#include "services/SummaryPreferences.h"

#include <QTextBoundaryFinder>

namespace TranscriptParts {

QStringList split(const QString &text, int size)
{
    QStringList pieces;
    if (size < 1 || text.isEmpty())
        return pieces;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype pieceStart = 0;
    int counted = 0;
    while (finder.toNextBoundary() != -1) {
        if (++counted < size)
            continue;
        const qsizetype end = finder.position();
        pieces.append(text.sliced(pieceStart, end - pieceStart));
        pieceStart = end;
        counted = 0;
    }
    if (pieceStart < text.size())
        pieces.append(text.sliced(pieceStart));
    return pieces;
}

qsizetype characterCount(const QString &text)
{
    return SummaryPreferences::characterCount(text);
}

QString render(const std::vector<Segment> &segments)
{
    QStringList lines;
    lines.reserve(qsizetype(segments.size()));
    for (const Segment &segment : segments) {
        lines.append(QLatin1Char('[') + timeLabel(segment.start) + QStringLiteral("] ") + segment.speaker
                     + QStringLiteral("：") + segment.text);
    }
    return lines.join(QLatin1Char('\n'));
}

QString joinNotes(const QStringList &notes)
{
    return notes.join(QStringLiteral("\n\n"));
}

} // namespace TranscriptParts
