#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Small file helpers shared by the store, the configuration file and the model store.
namespace FileUtil {

// True only when the item at path is itself a symbolic link (never followed). False when its
// attributes cannot be read.
bool isSymbolicLink(const QString &path);

// Writes bytes to path through a temporary file in the same folder and a rename, then syncs the
// folder so the rename survives a power cut. Throws SystemError. Permissions, when given, are set
// on the temporary file before the rename (e.g. 0600).
void writeAtomically(const QString &path, const QByteArray &bytes, std::optional<int> permissions = {});

// Flushes a folder's entries (after a rename or a new file) to disk. Throws SystemError.
void syncFolder(const QString &folder);

// Creates path and any missing parents, giving each folder it creates the given permissions.
// Existing folders are left as they are. Throws SystemError.
void createFolders(const QString &path, int permissions = 0700);

// Reads at most maxBytes of a file; throws SystemError when it cannot be read or is larger.
QByteArray readFile(const QString &path, qint64 maxBytes);

} // namespace FileUtil
