#pragma once

#include <QList>
#include <QString>

// The summary as the document view shows it: paragraphs split at every blank line, headings
// (paragraphs starting with "#") as plain text, every other paragraph as inline Markdown.
namespace SummaryParagraphs {

struct Paragraph {
    bool heading = false;
    // A heading's words without its "#" marks; otherwise Markdown for Qt's reader in which only
    // inline syntax (emphasis, code, links) takes effect and every line break stays a line break.
    QString text;

    bool operator==(const Paragraph &) const = default;
};

QList<Paragraph> split(const QString &summary);

// One paragraph's text as inline-only Markdown: block markers at the start of a line (list
// bullets, numbers, quotes, headings, rules, fences) are escaped to show as typed, leading spaces
// are kept, and every line break becomes a hard break.
QString inlineMarkdown(const QString &paragraph);

} // namespace SummaryParagraphs
