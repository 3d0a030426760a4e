#include "library/NoteExport.h"

#include "library/Recording.h"
#include "library/SubtitleExport.h"
#include "platform/Localization.h"

#include <QStringList>
#include <QTextBoundaryFinder>

namespace {

// The user-perceived characters (grapheme clusters) of a text, in order.
QStringList graphemes(const QString &text)
{
    QStringList result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end > start)
            result.append(text.mid(start, end - start));
        start = end;
    }
    return result;
}

QString firstGraphemes(const QString &text, qsizetype count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype taken = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end == 0)
            continue;
        if (++taken == count)
            return text.left(end);
    }
    return text;
}

// Markdown needs two spaces before a line break to keep it. Each break keeps its own form
// (LF, CRLF or a lone CR) so the text is not otherwise altered.
QString withHardBreaks(const QString &text)
{
    QString result;
    result.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            result += QStringLiteral("  \r\n");
            ++i;
        } else if (c == u'\n' || c == u'\r') {
            result += QStringLiteral("  ");
            result += c;
        } else {
            result += c;
        }
    }
    return result;
}

// Path separators and control characters cannot stand in a file name. Format characters are
// dropped too (a right-to-left override could disguise the extension), except the joiners that
// emoji and some scripts need to render correctly.
bool breaksFilename(char32_t c)
{
    if (c == U'/' || c == U':' || c == U'\\')
        return true;
    if (c == 0x200C || c == 0x200D)
        return false;
    const auto category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}

// Linux file systems refuse names longer than 255 bytes, and a hundred CJK characters already
// take 300: drop whole characters from the end of the title until the name fits.
QString fitFilename(const QString &base, const QString &suffix)
{
    constexpr qsizetype maxBytes = 255;
    const qsizetype suffixBytes = suffix.toUtf8().size();
    QStringList characters = graphemes(base);
    qsizetype bytes = base.toUtf8().size();
    while (!characters.isEmpty() && bytes + suffixBytes > maxBytes) {
        bytes -= characters.takeLast().toUtf8().size();
    }
    return characters.join(QString()) + suffix;
}

QString segmentBlock(const Segment &segment, NoteExportFormat format)
{
    QString label = QStringLiteral("[") + timeLabel(segment.start) + QStringLiteral("]");
    const QString speaker = segment.speaker.trimmed();
    if (!speaker.isEmpty())
        label += QLatin1Char(' ') + speaker;
    if (format == NoteExportFormat::Text)
        return label + QLatin1Char('\n') + segment.text;
    return QStringLiteral("**") + NoteExport::escape(label) + QStringLiteral("**\n\n")
        + withHardBreaks(NoteExport::escape(segment.text));
}

} // namespace

namespace NoteExport {

QString render(const Recording &recording, bool summary, NoteExportFormat format)
{
    if (format == NoteExportFormat::SubRip)
        return SubtitleExport::subRip(recording);
    if (format == NoteExportFormat::WebVTT)
        return SubtitleExport::webVtt(recording);
    const QString heading = format == NoteExportFormat::Markdown
        ? QStringLiteral("# ") + escape(recording.title)
        : recording.title;
    QString body;
    if (summary) {
        body = recording.summary;
    } else {
        QStringList blocks;
        blocks.reserve(qsizetype(recording.segments.size()));
        for (const Segment &segment : recording.segments)
            blocks.append(segmentBlock(segment, format));
        body = blocks.join(QStringLiteral("\n\n"));
    }
    return heading + QStringLiteral("\n\n") + body + QLatin1Char('\n');
}

QString filename(const Recording &recording, bool summary, NoteExportFormat format)
{
    QStringList pieces;
    QString piece;
    for (const char32_t c : recording.title.toUcs4()) {
        if (breaksFilename(c)) {
            pieces.append(piece);
            piece.clear();
        } else {
            piece += QString::fromUcs4(&c, 1);
        }
    }
    pieces.append(piece);
    QString base = pieces.join(QLatin1Char('-')).trimmed();
    if (base.isEmpty())
        base = L(QStringLiteral("未命名笔记"));
    summary = summary && !isSubtitle(format);
    const QString suffix = QLatin1Char('-') + (summary ? L(QStringLiteral("纪要")) : L(QStringLiteral("逐字稿")))
        + QLatin1Char('.') + fileExtension(format);
    return fitFilename(firstGraphemes(base, 100), suffix);
}

QString fileExtension(NoteExportFormat format)
{
    switch (format) {
    case NoteExportFormat::Markdown:
        return QStringLiteral("md");
    case NoteExportFormat::SubRip:
        return QStringLiteral("srt");
    case NoteExportFormat::WebVTT:
        return QStringLiteral("vtt");
    case NoteExportFormat::Text:
        break;
    }
    return QStringLiteral("txt");
}

bool isSubtitle(NoteExportFormat format)
{
    return format == NoteExportFormat::SubRip || format == NoteExportFormat::WebVTT;
}

std::optional<NoteExportFormat> formatNamed(const QString &extension)
{
    for (const NoteExportFormat format :
         {NoteExportFormat::Text, NoteExportFormat::Markdown, NoteExportFormat::SubRip, NoteExportFormat::WebVTT}) {
        if (extension.compare(fileExtension(format), Qt::CaseInsensitive) == 0)
            return format;
    }
    return std::nullopt;
}

QString escape(const QString &text)
{
    static const QString special = QStringLiteral("\\`*_{}[]<>()#+-.!|");
    QString result;
    result.reserve(text.size() + text.size() / 4);
    for (const QString &character : graphemes(text)) {
        if (character.size() == 1 && special.contains(character.at(0)))
            result += QLatin1Char('\\');
        result += character;
    }
    return result;
}

} // namespace NoteExport
