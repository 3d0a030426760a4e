#include "services/ChunkTranscript.h"

#include <QStringList>

QString ChunkTranscript::storedText() const
{
    if (segments.empty())
        return text;
    QStringList parts;
    for (const TimedText &segment : segments)
        parts << segment.text;
    return parts.join(QLatin1Char(' '));
}
