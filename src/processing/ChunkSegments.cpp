#include "processing/ChunkSegments.h"

#include "platform/Localization.h"

#include <QUuid>

#include <algorithm>

namespace ChunkSegments {

namespace {

Segment segment(double start, double end, QString text)
{
    Segment made;
    made.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    made.start = start;
    made.end = end;
    made.text = std::move(text);
    return made;
}

} // namespace

std::vector<Segment> place(const ChunkTranscript &transcript, double start, double end)
{
    std::vector<Segment> placed;
    for (const TimedText &timed : transcript.segments) {
        const QString text = timed.text.trimmed();
        if (text.isEmpty())
            continue;
        // Whisper may time a last segment past the audio it was given.
        const double from = std::clamp(start + timed.start, start, end);
        const double to = std::clamp(start + timed.end, from, end);
        placed.push_back(segment(from, to, text));
    }
    if (placed.empty() && !transcript.text.trimmed().isEmpty())
        placed.push_back(segment(start, end, transcript.text));
    return placed;
}

ChunkTranscript inScript(ChunkTranscript transcript, const QString &language)
{
    transcript.text = AppLocalization::inTranscriptScript(transcript.text, language);
    for (TimedText &timed : transcript.segments)
        timed.text = AppLocalization::inTranscriptScript(timed.text, language);
    return transcript;
}

} // namespace ChunkSegments
