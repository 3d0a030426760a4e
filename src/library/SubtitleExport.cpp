#include "library/SubtitleExport.h"

#include "library/Recording.h"

#include <QStringList>

#include <cmath>

namespace {

// Milliseconds rounded to the nearest; hours grow past two digits rather than wrap.
QString cueTime(double seconds, QChar fractionSeparator)
{
    const qint64 total = std::isfinite(seconds) ? qMax<qint64>(0, std::llround(seconds * 1000.0)) : 0;
    const qint64 ms = total % 1000;
    const qint64 s = (total / 1000) % 60;
    const qint64 m = (total / 60000) % 60;
    const qint64 h = total / 3600000;
    return QStringLiteral("%1:%2:%3%4%5")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'))
        .arg(fractionSeparator)
        .arg(ms, 3, 10, QLatin1Char('0'));
}

// A blank line ends a cue in both formats, so a cue's text keeps only its non-blank lines
// (normalised to line feeds, each trimmed at its end). Empty when nothing printable is left.
QString cueLines(const QString &text)
{
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList kept;
    for (const QString &line : unified.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            kept.append(line.trimmed());
    }
    return kept.join(QLatin1Char('\n'));
}

QString escapedForVtt(QString text)
{
    // "&" first so the entities added after it stay intact; "<" and ">" also keep "-->" out of
    // the cue text, which would otherwise start a new timing line.
    return text.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
}

struct Cue {
    double start;
    double end;
    QString text;
};

// One cue per segment with text; the trimmed speaker, when set, leads it.
std::vector<Cue> cues(const Recording &recording)
{
    std::vector<Cue> result;
    result.reserve(recording.segments.size());
    for (const Segment &segment : recording.segments) {
        QString text = cueLines(segment.text);
        if (text.isEmpty())
            continue;
        const QString speaker = segment.speaker.simplified();
        if (!speaker.isEmpty())
            text = speaker + QStringLiteral(": ") + text;
        result.push_back({segment.start, segment.end, text});
    }
    return result;
}

} // namespace

namespace SubtitleExport {

QString subRip(const Recording &recording)
{
    QString out;
    int number = 0;
    for (const Cue &cue : cues(recording)) {
        if (number > 0)
            out += QLatin1Char('\n');
        out += QString::number(++number) + QLatin1Char('\n') + cueTime(cue.start, QLatin1Char(',')) + QStringLiteral(" --> ")
            + cueTime(cue.end, QLatin1Char(',')) + QLatin1Char('\n') + cue.text + QLatin1Char('\n');
    }
    return out;
}

QString webVtt(const Recording &recording)
{
    QString out = QStringLiteral("WEBVTT\n");
    for (const Cue &cue : cues(recording)) {
        out += QLatin1Char('\n') + cueTime(cue.start, QLatin1Char('.')) + QStringLiteral(" --> ")
            + cueTime(cue.end, QLatin1Char('.')) + QLatin1Char('\n') + escapedForVtt(cue.text) + QLatin1Char('\n');
    }
    return out;
}

} // namespace SubtitleExport
