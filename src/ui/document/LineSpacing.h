#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickTextDocument>
#include <QtQml/qqml.h>

// Puts a fixed gap between the lines of a text view (the summary's paragraphs read better with
// air between their lines). A Qt Quick TextEdit has no line height of its own: the gap lives in
// the block format of its document, and is put back whenever the text is replaced.
class LineSpacing : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickTextDocument *document READ document WRITE setDocument NOTIFY documentChanged)
    Q_PROPERTY(qreal spacing READ spacing WRITE setSpacing NOTIFY spacingChanged)

public:
    explicit LineSpacing(QObject *parent = nullptr);

    QQuickTextDocument *document() const { return m_document; }
    void setDocument(QQuickTextDocument *document);
    qreal spacing() const { return m_spacing; }
    void setSpacing(qreal spacing);

Q_SIGNALS:
    void documentChanged();
    void spacingChanged();

private:
    void apply();

    QPointer<QQuickTextDocument> m_document;
    QMetaObject::Connection m_contents;
    qreal m_spacing = 0;
    bool m_applying = false;
};
