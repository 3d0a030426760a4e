#pragma once

#include <QString>

#include <optional>

struct Recording;

// The formats a note can be exported in. The subtitle formats (SubRip, WebVTT) exist for the
// transcript only: asked for a summary, they still render the transcript.
enum class NoteExportFormat : int { Text, Markdown, SubRip, WebVTT };

// Renders one note's transcript or summary as a self-contained document and proposes a file
// name for it. Pure text work: writing the file is the export command's job.
namespace NoteExport {

// The document: heading, blank line, body, final line break.
QString render(const Recording &recording, bool summary, NoteExportFormat format);

// A file name derived from the title, safe to offer in a save dialog: "<title>-<纪要|逐字稿>.<extension>".
QString filename(const Recording &recording, bool summary, NoteExportFormat format);

// "txt", "md", "srt" or "vtt".
QString fileExtension(NoteExportFormat format);

// Whether the format holds timed cues of the transcript rather than a document.
bool isSubtitle(NoteExportFormat format);

// The format named by its file extension ("txt", "md", "srt", "vtt"), if any.
std::optional<NoteExportFormat> formatNamed(const QString &extension);

// Backslash before every character that Markdown would otherwise read as markup.
QString escape(const QString &text);

} // namespace NoteExport
