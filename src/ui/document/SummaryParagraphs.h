#pragma once

#include <QList>
#include <QString>

// The summary as the document view shows it: paragraphs split at every blank line, headings
// (paragraphs starting with "#") as plain text, every other paragraph as rich text that this file
// writes itself from the paragraph's inline Markdown.
namespace SummaryParagraphs {

struct Paragraph {
    bool heading = false;
    // A heading's words without its "#" marks (plain text); otherwise the paragraph as rich text.
    QString text;

    bool operator==(const Paragraph &) const = default;
};

QList<Paragraph> split(const QString &summary);

// One paragraph as rich text. Only **bold**, *italic* (or with "_"), `code` and a link's text take
// effect; everything else, raw HTML, images, autolinks and block syntax included, shows as typed.
// The result holds no tag but <b>, <i>, <code> and <br/>, so nothing in it can load anything.
// Leading spaces are kept and every line break stays a line break.
QString inlineHtml(const QString &paragraph);

} // namespace SummaryParagraphs
