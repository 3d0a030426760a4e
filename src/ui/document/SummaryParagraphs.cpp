#include "document/SummaryParagraphs.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// Where a line would start a block instead of plain inline text, returns the position of the
// character to escape; -1 when the line is inline text already.
qsizetype blockMarkerAt(const QString &line, qsizetype start)
{
    static const QRegularExpression marker(QStringLiteral(
        "^(?:"
        "(?<bullet>[-+*])(?:[ \\t]|$)"    // list item
        "|(?<rule>[-*_=])[-*_= \\t]*$"   // thematic break or setext underline
        "|(?<heading>#{1,6})(?:[ \\t]|$)" // heading
        "|(?<quote>>)"                   // block quote
        "|(?<fence>```|~~~)"             // code fence
        "|\\d{1,9}(?<number>[.)])(?:[ \\t]|$)" // ordered list item
        ")"));
    const QRegularExpressionMatch match = marker.match(line.mid(start));
    if (!match.hasMatch())
        return -1;
    for (const char *group : {"bullet", "rule", "heading", "quote", "fence", "number"}) {
        const qsizetype at = match.capturedStart(QLatin1String(group));
        if (at >= 0)
            return start + at;
    }
    return -1;
}

QString inlineLine(const QString &line)
{
    qsizetype indent = 0;
    while (indent < line.size() && (line.at(indent) == u' ' || line.at(indent) == u'\t'))
        ++indent;
    QString body = line.mid(indent);
    const qsizetype marker = blockMarkerAt(line, indent);
    if (marker >= 0)
        body.insert(marker - indent, QLatin1Char('\\'));
    // Leading blanks as non-breaking spaces: kept as typed, and never an indented code block.
    QString lead;
    for (qsizetype i = 0; i < indent; ++i)
        lead += line.at(i) == u'\t' ? QStringLiteral("&#160;&#160;&#160;&#160;") : QStringLiteral("&#160;");
    return lead + body;
}

} // namespace

namespace SummaryParagraphs {

QList<Paragraph> split(const QString &summary)
{
    QString text = summary;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QList<Paragraph> result;
    for (const QString &part : text.split(QStringLiteral("\n\n"))) {
        if (part.trimmed().isEmpty())
            continue;
        if (part.startsWith(QLatin1Char('#'))) {
            qsizetype skip = 0;
            while (skip < part.size() && (part.at(skip) == u'#' || part.at(skip) == u' '))
                ++skip;
            result.append({true, part.mid(skip)});
        } else {
            result.append({false, inlineMarkdown(part)});
        }
    }
    return result;
}

QString inlineMarkdown(const QString &paragraph)
{
    QStringList raw = paragraph.split(QLatin1Char('\n'));
    // Blank lines at either end would leave a dangling hard break, which shows as a backslash.
    while (!raw.isEmpty() && raw.last().trimmed().isEmpty())
        raw.removeLast();
    while (!raw.isEmpty() && raw.first().trimmed().isEmpty())
        raw.removeFirst();
    QStringList lines;
    for (const QString &line : raw)
        lines.append(inlineLine(line));
    // A backslash before the line break is Markdown's hard break.
    return lines.join(QStringLiteral("\\\n"));
}

} // namespace SummaryParagraphs
