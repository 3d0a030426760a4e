#pragma once

#include <QString>

struct Recording;

// The two document formats a note can be exported in.
enum class NoteExportFormat : int { Text, Markdown };

// Renders one note's transcript or summary as a self-contained document and proposes a file
// name for it. Pure text work: writing the file is the export command's job.
namespace NoteExport {

// The document: heading, blank line, body, final line break.
QString render(const Recording &recording, bool summary, NoteExportFormat format);

// A file name derived from the title, safe to offer in a save dialog: "<title>-<纪要|逐字稿>.<md|txt>".
QString filename(const Recording &recording, bool summary, NoteExportFormat format);

// "md" or "txt".
QString fileExtension(NoteExportFormat format);

// Backslash before every character that Markdown would otherwise read as markup.
QString escape(const QString &text);

} // namespace NoteExport
