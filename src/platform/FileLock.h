#pragma once

#include <QString>

#include <optional>

// An advisory lock (flock) on an open file or folder, held while this object lives. Any other open
// of the same item, in another process or in this one, sees it as held; the kernel drops it when
// the process ends, however it ends, so a crash never leaves a lock behind.
class FileLock final {
public:
    // Opens path with the given open(2) flags (O_CLOEXEC and O_NOFOLLOW are added) and locks it.
    // Without wait, returns nothing when the item is held elsewhere. Throws SystemError when the
    // item cannot be opened. On a file system without locks the item is returned open but not
    // held (held() false): whoever would remove an item must then leave it alone.
    static std::optional<FileLock> acquire(const QString &path, int flags, bool wait);

    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    ~FileLock();

    int fd() const { return m_fd; }
    bool held() const { return m_held; }
    // The locked item is still the one at path: it was not removed or replaced between the open and
    // the lock (whoever removes a locked kind of item does so while holding the lock).
    bool isAt(const QString &path) const;

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
    bool m_held = true;
};
