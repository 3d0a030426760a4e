#include "document/SearchHighlighter.h"

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
    for (qsizetype at = text.indexOf(m_query, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(m_query, at + m_query.size(), Qt::CaseInsensitive))
        setFormat(int(at), int(m_query.size()), mark);
}
