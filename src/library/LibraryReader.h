#pragma once

#include "library/Recording.h"

#include <QString>
#include <optional>
#include <stop_token>
#include <vector>

// The result of one read of a library folder.
struct LibrarySnapshot {
    std::vector<Recording> recordings; // accepted notes, newest createdAt first (stable)
    int skipped = 0;                   // note folders rejected and counted
    std::vector<Project> projects;     // as stored, in file order; empty without projects.json

    bool operator==(const LibrarySnapshot &) const = default;
};

// Turns a library folder into a snapshot. Stateless and thread-safe: blocking file I/O, run it away
// from the user-interface thread.
namespace LibraryReader {

// A record.json above this size is never read.
inline constexpr qint64 maxRecordBytes = 33'554'432;

// url is the library root or its "recordings" folder itself. Home library: includeDeleted and
// managed true (folder names must equal the notes' UUIDs). Foreign library: both false.
// Throws AppFailure "资料库包含不安全的链接。", SystemError when the folder of notes cannot be
// listed, or the project list's read/decode error. Once stop is requested the notes not yet begun
// are left unread and Cancelled is thrown, so a read of a slow folder ends within one note.
LibrarySnapshot read(const QString &url, bool includeDeleted, bool managed, std::stop_token stop = {});

// Whether a decoded note's numbers and segments are ones the program can show and write back:
// finite, non-negative times in order, unique segment ids, a duration of at most 12 hours and no
// more transcribed chunks than minutes.
bool noteValid(const Recording &recording);

// One entry of the folder of notes by the same rules as read(); nullopt where read() would skip it
// or leave it out.
std::optional<Recording> readNote(const QString &url, const QString &name, bool includeDeleted, bool managed);

// root/projects.json; empty when there is none. Throws like read().
std::vector<Project> readProjects(const QString &root);

// True only when the item itself is a symbolic link (never followed); false when it cannot be
// examined (e.g. it does not exist).
bool isSymbolicLink(const QString &path);

// A UUID in its 36-character textual form (either letter case).
bool isUuidString(const QString &text);

// The folder of notes and the library root for a folder the user named (root or "recordings").
QString recordingsFolder(const QString &url);
QString libraryRoot(const QString &url);

} // namespace LibraryReader
