#include "document/SummaryParagraphs.h"

#include <QStringList>

namespace {

// Inline Markdown to rich text, by a small recursive-descent reader. Everything the reader does
// not recognise is escaped and shown as typed, so a model's or a foreign note's markup never
// reaches Qt's HTML importer.
class InlineReader {
public:
    explicit InlineReader(QStringView text)
        : m_text(text)
    {
    }

    QString read()
    {
        while (m_at < m_text.size()) {
            const QChar c = m_text[m_at];
            if (c == u'\\' && m_at + 1 < m_text.size() && isEscapable(m_text[m_at + 1])) {
                literal(m_text.mid(m_at + 1, 1));
                m_at += 2;
            } else if (c == u'\n') {
                lineBreak();
            } else if (c == u'`') {
                codeSpan();
            } else if (c == u'*' || c == u'_') {
                emphasis(c);
            } else if (c == u'!' && peek(1) == u'[') {
                image();
            } else if (c == u'[') {
                link();
            } else {
                literal(m_text.mid(m_at, 1));
                ++m_at;
            }
        }
        return m_out;
    }

private:
    static bool isEscapable(QChar c) { return c.unicode() < 128 && c.isPunct(); }
    static bool isWordChar(QChar c) { return c.isLetterOrNumber(); }

    QChar peek(qsizetype ahead) const
    {
        const qsizetype at = m_at + ahead;
        return at >= 0 && at < m_text.size() ? m_text[at] : QChar();
    }

    // Text shown as typed. A space after a space is a non-breaking one, so runs of spaces keep
    // their width.
    void literal(QStringView text)
    {
        for (const QChar c : text) {
            if (c == u' ' && (m_out.endsWith(u' ') || m_out.endsWith(QLatin1String("&#160;"))))
                m_out += QLatin1String("&#160;");
            else
                m_out += QString(c).toHtmlEscaped();
        }
    }

    // A line break, and the next line's indent as typed.
    void lineBreak()
    {
        m_out += QLatin1String("<br/>");
        ++m_at;
        leadingBlanks();
    }

    void leadingBlanks()
    {
        while (m_at < m_text.size() && (m_text[m_at] == u' ' || m_text[m_at] == u'\t')) {
            m_out += m_text[m_at] == u'\t' ? QLatin1String("&#160;&#160;&#160;&#160;") : QLatin1String("&#160;");
            ++m_at;
        }
    }

    qsizetype runLength(qsizetype from, QChar c) const
    {
        qsizetype end = from;
        while (end < m_text.size() && m_text[end] == c)
            ++end;
        return end - from;
    }

    // `code`: the text between two equal runs of backticks, as typed.
    void codeSpan()
    {
        const qsizetype run = runLength(m_at, u'`');
        for (qsizetype j = m_at + run; j < m_text.size();) {
            const qsizetype closing = runLength(j, u'`');
            if (closing == run) {
                m_out += QLatin1String("<code>");
                literal(m_text.mid(m_at + run, j - m_at - run));
                m_out += QLatin1String("</code>");
                m_at = j + run;
                return;
            }
            j += closing > 0 ? closing : 1;
        }
        literal(m_text.mid(m_at, run));
        m_at += run;
    }

    // Where the emphasis opened at m_at with `width` marks closes, -1 when it does not: the same
    // marks after a non-blank character, and for "_" not inside a word.
    qsizetype closingMarks(QChar mark, qsizetype width) const
    {
        const qsizetype start = m_at + width;
        if (start >= m_text.size() || m_text[start].isSpace())
            return -1;
        if (mark == u'_' && m_at > 0 && isWordChar(m_text[m_at - 1]))
            return -1;
        for (qsizetype j = start + 1; j + width <= m_text.size(); ++j) {
            if (m_text[j] == u'\\') {
                ++j;
                continue;
            }
            if (m_text[j] == u'`') {
                // A code span inside the emphasis is skipped whole.
                const qsizetype run = runLength(j, u'`');
                const qsizetype end = m_text.indexOf(m_text.mid(j, run), j + run);
                j = end < 0 ? j + run - 1 : end + run - 1;
                continue;
            }
            const qsizetype run = runLength(j, mark);
            if (run == 0)
                continue;
            const bool fits = run == width || run == 3;
            const bool afterWord = !m_text[j - 1].isSpace();
            const bool wordFollows = j + run < m_text.size() && isWordChar(m_text[j + run]);
            if (fits && afterWord && !(mark == u'_' && wordFollows))
                // Of a longer closing run, the last marks close this emphasis; the first close
                // the one inside it (***both***).
                return j + run - width;
            j += run - 1;
        }
        return -1;
    }

    void emphasis(QChar mark)
    {
        const qsizetype run = runLength(m_at, mark);
        for (const qsizetype width : {qsizetype(2), qsizetype(1)}) {
            if (run < width)
                continue;
            const qsizetype close = closingMarks(mark, width);
            if (close < 0)
                continue;
            const QLatin1String tag = width == 2 ? QLatin1String("b") : QLatin1String("i");
            m_out += u'<' + tag + u'>';
            m_out += InlineReader(m_text.mid(m_at + width, close - m_at - width)).read();
            m_out += QLatin1String("</") + tag + u'>';
            m_at = close + width;
            return;
        }
        literal(m_text.mid(m_at, run));
        m_at += run;
    }

    // The end (one past) of a bracketed part starting at `open`, -1 when it does not close on the
    // same paragraph. Brackets nest; a backslash escapes one character.
    qsizetype closingBracket(qsizetype open, QChar left, QChar right) const
    {
        int depth = 0;
        for (qsizetype j = open; j < m_text.size(); ++j) {
            if (m_text[j] == u'\\')
                ++j;
            else if (m_text[j] == left)
                ++depth;
            else if (m_text[j] == right && --depth == 0)
                return j + 1;
        }
        return -1;
    }

    // [text](target): the end of the whole link, -1 when the text at `open` is not one.
    qsizetype inlineLinkEnd(qsizetype open, qsizetype *textEnd) const
    {
        const qsizetype label = closingBracket(open, u'[', u']');
        if (label < 0 || label >= m_text.size() || m_text[label] != u'(')
            return -1;
        *textEnd = label;
        return closingBracket(label, u'(', u')');
    }

    // A link shows as its text; nothing opens or loads its target.
    void link()
    {
        qsizetype textEnd = -1;
        const qsizetype end = inlineLinkEnd(m_at, &textEnd);
        if (end < 0) {
            literal(m_text.mid(m_at, 1));
            ++m_at;
            return;
        }
        m_out += InlineReader(m_text.mid(m_at + 1, textEnd - m_at - 2)).read();
        m_at = end;
    }

    // An image is never drawn: ![alt](target) shows as typed, whole, and so does ![alt][name].
    void image()
    {
        qsizetype textEnd = -1;
        qsizetype end = inlineLinkEnd(m_at + 1, &textEnd);
        if (end < 0)
            end = m_at + 2;
        literal(m_text.mid(m_at, end - m_at));
        m_at = end;
    }

    QStringView m_text;
    qsizetype m_at = 0;
    QString m_out;
};

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
            result.append({false, inlineHtml(part)});
        }
    }
    return result;
}

QString inlineHtml(const QString &paragraph)
{
    QStringList lines = paragraph.split(QLatin1Char('\n'));
    // Blank lines at either end would leave an empty line above or below the paragraph.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    while (!lines.isEmpty() && lines.first().trimmed().isEmpty())
        lines.removeFirst();
    // The first line's indent is kept like every other's: a leading line break keeps it, then is
    // dropped again.
    const QString html = InlineReader(QString(u'\n' + lines.join(u'\n'))).read();
    return html.mid(int(QLatin1String("<br/>").size()));
}

} // namespace SummaryParagraphs
