#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QQuickTextDocument>
#include <QSyntaxHighlighter>
#include <QtQml/qqml.h>

// Marks every occurrence of the search text in a text view (a transcript row, a summary
// paragraph) as the note list's search matches it (full case folding), on top of whatever
// formatting the text already has.
class SearchHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickTextDocument *document READ document WRITE setDocument NOTIFY documentChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit SearchHighlighter(QObject *parent = nullptr);

    QQuickTextDocument *document() const { return m_document; }
    void setDocument(QQuickTextDocument *document);
    const QString &query() const { return m_query; }
    void setQuery(const QString &query);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

Q_SIGNALS:
    void documentChanged();
    void queryChanged();
    void colorChanged();

protected:
    void highlightBlock(const QString &text) override;

private:
    QPointer<QQuickTextDocument> m_document;
    QString m_query;
    QString m_folded;
    QColor m_color;
};
