#include "document/SearchHighlighter.h"

#include "library/SearchText.h"

#include <QTextDocument>

SearchHighlighter::SearchHighlighter(QObject *parent)
    : QSyntaxHighlighter(parent)
{
}

void SearchHighlighter::setDocument(QQuickTextDocument *document)
{
    if (document == m_document)
        return;
    m_document = document;
    QSyntaxHighlighter::setDocument(document ? document->textDocument() : nullptr);
    Q_EMIT documentChanged();
}

void SearchHighlighter::setQuery(const QString &query)
{
    const QString trimmed = query.trimmed();
    if (trimmed == m_query)
        return;
    m_query = trimmed;
    m_folded = SearchText::fold(trimmed);
    rehighlight();
    Q_EMIT queryChanged();
}

void SearchHighlighter::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    rehighlight();
    Q_EMIT colorChanged();
}

void SearchHighlighter::highlightBlock(const QString &text)
{
    if (m_query.isEmpty())
        return;
    QTextCharFormat mark;
    mark.setBackground(m_color);
    // The note list's own matching, so "STRASSE" marks the "Straße" it found.
    for (const SearchText::Span &span : SearchText::matches(text, m_folded))
        setFormat(int(span.start), int(span.length), mark);
}
