#pragma once

#include "platform/Errors.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Small file helpers shared by the store, the configuration file and the model store.
namespace FileUtil {

// The new bytes reached their file, but the folder holding it could not be synced, so the rename
// may not survive a power cut. Whoever keeps track of the file treats it as written; the person is
// told that the save is not yet safe on disk.
class NotDurable final : public SystemError {
public:
    using SystemError::SystemError;
};

// True only when the item at path is itself a symbolic link (never followed). False when its
// attributes cannot be read.
bool isSymbolicLink(const QString &path);

// Writes bytes to path through a temporary file in the same folder: write(2) until every byte is
// written, fsync, rename over path, fsync of the folder. Every step is checked; until the rename,
// any failure removes the temporary file and leaves path exactly as it was. Permissions, when
// given, are set on the temporary file before the rename (e.g. 0600).
// Throws SystemError naming path and the reason ("磁盘空间不足" for a full disk or quota), or
// NotDurable when only the folder's sync failed (twice): the new bytes are then in place.
void writeAtomically(const QString &path, const QByteArray &bytes, std::optional<int> permissions = {});

// The first half of writeAtomically, for saves that replace two files together (a note and its
// backup): the bytes are written and synced into a temporary file beside path. Nothing at path
// changes until replaceTarget(); a PendingFile dropped before that removes its temporary file.
class PendingFile final {
public:
    PendingFile(const QString &path, const QByteArray &bytes, std::optional<int> permissions = {});
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;
    // Renames the temporary file over path. Throws SystemError (path is then as it was).
    void replaceTarget();

private:
    void discard();
    QString m_path;
    QByteArray m_temporary;
};

// After replaceTarget(): syncs the folder so the rename survives a power cut, once more when that
// fails, then throws NotDurable.
void syncAfterReplace(const QString &folder);

// Writes all bytes to an open descriptor (EINTR and short writes handled) and fsyncs it. Throws
// SystemError naming path on any failure.
void writeAllAndSync(int fd, const QByteArray &bytes, const QString &path);
// The two halves of it, for files that grow as they are written (a recording): every byte written
// (no sync), and fsync alone.
void writeAll(int fd, const char *data, size_t size, const QString &path);
void syncOrThrow(int fd, const QString &path);

// The failure of a system call on path, as the person reads it: the file and the reason.
SystemError writeError(int code, const QString &path);

// Flushes a folder's entries (after a rename or a new file) to disk. Throws SystemError.
void syncFolder(const QString &folder);

// Creates path and any missing parents, giving each folder it creates the given permissions.
// Existing folders are left as they are. Throws SystemError.
void createFolders(const QString &path, int permissions = 0700);

// Reads at most maxBytes of a file; throws SystemError when it cannot be read or is larger.
QByteArray readFile(const QString &path, qint64 maxBytes);

// Failing the write path's system calls on demand, so tests can take every failure path. The
// step's nth call from now on (1 = the next one), and the times-1 calls after it, fail with the
// given errno; one fault per step.
enum class WriteStep { Open, Write, Sync, Rename, SyncFolder };
void failNext(WriteStep step, int nth, int error, int times = 1);
// Every write(2) of the write path writes at most this many bytes (0: no limit), as a signal or a
// nearly full disk can make it do.
void limitWriteSize(int bytes);
void clearInjectedFaults();

} // namespace FileUtil
