#include "document/LineSpacing.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

LineSpacing::LineSpacing(QObject *parent)
    : QObject(parent)
{
}

void LineSpacing::setDocument(QQuickTextDocument *document)
{
    if (document == m_document)
        return;
    disconnect(m_contents);
    m_document = document;
    if (document && document->textDocument())
        m_contents = connect(document->textDocument(), &QTextDocument::contentsChanged, this, &LineSpacing::apply);
    apply();
    Q_EMIT documentChanged();
}

void LineSpacing::setSpacing(qreal spacing)
{
    if (qFuzzyCompare(spacing, m_spacing))
        return;
    m_spacing = spacing;
    apply();
    Q_EMIT spacingChanged();
}

void LineSpacing::apply()
{
    QTextDocument *text = m_document ? m_document->textDocument() : nullptr;
    // Setting a block format changes the contents again.
    if (!text || m_applying)
        return;
    m_applying = true;
    QTextCursor cursor(text);
    for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.lineHeightType() == QTextBlockFormat::LineDistanceHeight
            && qFuzzyCompare(format.lineHeight(), m_spacing))
            continue;
        format.setLineHeight(m_spacing, QTextBlockFormat::LineDistanceHeight);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    m_applying = false;
}
