#include "services/WhisperModels.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/FileUtil.h"
#include "services/AddedModels.h"
#include "services/WhisperModelsTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 hashBlockSize = 1 << 20; // 1 MiB

const QString unknownModel = QStringLiteral("请选择有效的转写模型。");
const QString incompleteModel = QStringLiteral("模型未安装或不完整，请下载后重试。");
const QString damagedModel = QStringLiteral("模型校验失败，请重新下载。");
const QString saveFailed = QStringLiteral("模型保存失败，请检查磁盘空间。");
const QString downloadingElsewhere = QStringLiteral("这个模型正在另一处下载，请稍后重试。");
const QString partialSuffix = QStringLiteral(".part");

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd); // a close error after reading changes nothing
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};

QString sha256Hex(int fd, std::stop_token stop)
{
    std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw SystemError(QStringLiteral("SHA-256 is not available"));
    std::vector<unsigned char> block(hashBlockSize);
    for (;;) {
        if (stop.stop_requested())
            throw Cancelled();
        const ssize_t count = ::read(fd, block.data(), block.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            throw SystemError::fromErrno(errno);
        }
        if (count == 0)
            break;
        if (EVP_DigestUpdate(context.get(), block.data(), size_t(count)) != 1)
            throw SystemError(QStringLiteral("SHA-256 failed"));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        throw SystemError(QStringLiteral("SHA-256 failed"));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

// The partial file of one download, locked while it runs. Whichever way the download ends, an
// empty one is removed (an answer that brought no bytes leaves no trace); one holding bytes stays
// for the next download unless it was found to be wrong or became the installed model.
class PartialFile final {
public:
    PartialFile(QString path, FileLock lock) : m_path(std::move(path)), m_lock(std::move(lock)) {}
    ~PartialFile()
    {
        if (!m_gone && size() == 0)
            discard();
    }
    PartialFile(const PartialFile &) = delete;
    PartialFile &operator=(const PartialFile &) = delete;

    const QString &path() const { return m_path; }
    int fd() const { return m_lock.fd(); }
    qint64 size() const
    {
        struct stat info {};
        return ::fstat(fd(), &info) == 0 ? qint64(info.st_size) : -1;
    }
    // Removed while still locked, so a download waiting for it finds it gone and starts afresh.
    void discard()
    {
        ::unlink(QFile::encodeName(m_path).constData());
        m_gone = true;
    }
    void installed() { m_gone = true; }

private:
    QString m_path;
    FileLock m_lock;
    bool m_gone = false;
};

std::shared_ptr<PartialFile> openPartial(const QString &path)
{
    // A download that ended between our open and our lock may have removed the file: open again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::optional<FileLock> lock = FileLock::acquire(path, O_RDWR | O_CREAT, false);
        if (!lock)
            throw AppFailure(downloadingElsewhere);
        if (lock->isAt(path))
            return std::make_shared<PartialFile>(path, std::move(*lock));
    }
    throw AppFailure(downloadingElsewhere);
}

} // namespace

QList<WhisperModel> WhisperModels::builtInCatalogue()
{
    return {
        {QStringLiteral("tiny"), QStringLiteral("Whisper Tiny · 78 MB"), 77691713,
         QStringLiteral("be07e048e1e599ad46341c8d2a135645097a538221678b7acdd1b1919c6e1b21"),
         QStringLiteral("最快，准确度最低，适合试用")},
        {QStringLiteral("base"), QStringLiteral("Whisper Base · 148 MB"), 147951465,
         QStringLiteral("60ed5bc3dd14eea856493d334349b405782ddcaf0028d4b5df4088345fba2efe"),
         QStringLiteral("很快，准确度一般")},
        {QStringLiteral("small"), QStringLiteral("Whisper Small · 488 MB"), 487601967,
         QStringLiteral("1be3a9b2063867b937e64e2ec7483364a79917e157fa98c5d94b5c1fffea987b"),
         QStringLiteral("速度与准确度均衡")},
        {QStringLiteral("large-v3-turbo-q5_0"), QStringLiteral("Whisper Large v3 Turbo Q5 · 574 MB"), 574041195,
         QStringLiteral("394221709cd5ad1f40c46e6031ca61bce88931e6e088c188294c6d5a55ffa7e2"),
         QStringLiteral("接近 Large v3 Turbo 的准确度，文件小，内存少")},
        {QStringLiteral("medium"), QStringLiteral("Whisper Medium · 1.5 GB"), 1533763059,
         QStringLiteral("6c14d5adee5f86394037b4e4e8b59f1673b6cee10e3cf0b11bbdbee79c156208"),
         QStringLiteral("较准确，较慢")},
        {QStringLiteral("large-v3-turbo"), QStringLiteral("Whisper Large v3 Turbo · 1.6 GB"), 1624555275,
         QStringLiteral("1fc70f774d38eb169993ac391eea357ef47c88757ef72ee5943879b7e8e2bc69"),
         QStringLiteral("很准确，比 Large v3 快得多；中文推荐")},
        {QStringLiteral("large-v3"), QStringLiteral("Whisper Large v3 · 3.1 GB"), 3095033483,
         QStringLiteral("64d182b440b98d5203c4f9bd541544d84c605196c4f7b845dfa11fb23594d1e2"),
         QStringLiteral("最准确，最慢，需要较多内存")},
    };
}

bool WhisperModels::isUsableID(const QString &id)
{
    static const QList<WhisperModel> catalogue = builtInCatalogue();
    auto named = [&](const WhisperModel &model) { return model.id == id; };
    if (std::any_of(catalogue.begin(), catalogue.end(), named))
        return true;
    const QList<WhisperModel> added = shared().added();
    return std::any_of(added.begin(), added.end(), named);
}

WhisperModel WhisperModels::voiceDetector()
{
    return {QStringLiteral("silero-v5.1.2"), QStringLiteral("Silero VAD v5.1.2 · 885 kB"), 885098,
            QStringLiteral("29940d98d42b91fbd05ce489f3ecf7c72f0a42f027e4875919a28fb4c04ea2cf"),
            QStringLiteral("跳过静音：更快，也不会在静音处编出文字"),
            QUrl(QStringLiteral("https://huggingface.co/ggml-org/whisper-vad/resolve/main/ggml-silero-v5.1.2.bin"))};
}

QUrl WhisperModels::defaultHub()
{
    return QUrl(QStringLiteral("https://huggingface.co/ggerganov/whisper.cpp/resolve/main/"));
}

WhisperModels::WhisperModels(QString root, QList<WhisperModel> catalogue, QUrl hub, WhisperDownloadLimits limits)
    : m_root(root.isEmpty() ? AppPaths::modelsFolder() : std::move(root))
    , m_catalogue(std::move(catalogue))
    , m_hub(std::move(hub))
    , m_limits(limits)
{
}

WhisperModels &WhisperModels::shared()
{
    static WhisperModels store;
    return store;
}

WhisperModel WhisperModels::model(const QString &id) const
{
    for (const WhisperModel &candidate : available()) {
        if (candidate.id == id)
            return candidate;
    }
    if (id == m_detector.id)
        return m_detector;
    throw AppFailure(unknownModel);
}

QList<WhisperModel> WhisperModels::added() const
{
    // An added model never hides a catalogue one of the same id.
    QList<WhisperModel> models = AddedModels::read(m_root);
    models.removeIf([this](const WhisperModel &model) {
        return std::any_of(m_catalogue.begin(), m_catalogue.end(),
                           [&](const WhisperModel &known) { return known.id == model.id; });
    });
    return models;
}

QList<WhisperModel> WhisperModels::available() const
{
    return m_catalogue + added();
}

QCoro::Task<WhisperModel> WhisperModels::add(QString file, QString name, std::function<void(const QString &)> check,
                                             std::stop_token stop)
{
    QStringList taken;
    for (const WhisperModel &model : m_catalogue)
        taken << model.id;
    auto adding = [root = m_root, taken, file, name, check, stop] {
        return AddedModels::add(root, taken, file, name, check, stop);
    };
    co_return co_await runOn(m_executor.pool(), std::move(adding));
}

QCoro::Task<> WhisperModels::remove(QString id)
{
    auto removing = [root = m_root, id] { AddedModels::remove(root, id); };
    co_await runOn(m_executor.pool(), std::move(removing));
}

QUrl WhisperModels::url(const WhisperModel &model) const
{
    // A store pointed at another hub (a test's) takes every file from there.
    if (model.source.isEmpty() || m_hub != defaultHub())
        return m_hub.resolved(QUrl(model.fileName()));
    return model.source;
}

QString WhisperModels::installedFile(const WhisperModel &model) const
{
    return QDir(m_root).filePath(model.fileName());
}

void WhisperModels::verify(const QString &file, const WhisperModel &model, std::stop_token stop)
{
    const QFileInfo info(file);
    if (!info.exists() || info.size() != model.size)
        throw AppFailure(incompleteModel);
    FileDescriptor fd(::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw SystemError::fromErrno(errno, file);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (sha256Hex(fd.get(), stop) != model.checksum)
        throw AppFailure(damagedModel);
}

QCoro::Task<WhisperModel> WhisperModels::verifyInstalled(QString id, std::stop_token stop)
{
    // Named, not a temporary in the co_await expression: g++ 12 would destroy it twice.
    auto check = [this, id, stop] {
        const WhisperModel found = model(id);
        reclaimPartials();
        verify(installedFile(found), found, stop);
        return found;
    };
    co_return co_await runOn(m_executor.pool(), std::move(check));
}

QCoro::Task<std::optional<QString>> WhisperModels::verifiedVoiceDetector(std::stop_token stop)
{
    auto check = [file = installedFile(m_detector), detector = m_detector, stop]() -> std::optional<QString> {
        try {
            verify(file, detector, stop);
            return file;
        } catch (const AppFailure &) {
            return std::nullopt; // not installed, or damaged: transcribe without it
        } catch (const SystemError &) {
            return std::nullopt;
        }
    };
    co_return co_await runOn(m_executor.pool(), std::move(check));
}

QString WhisperModels::partialFile(const WhisperModel &model) const
{
    return QDir(m_root).filePath(QLatin1Char('.') + model.fileName() + partialSuffix);
}

void WhisperModels::reclaimPartials() const
{
    QStringList kept;
    for (const WhisperModel &model : m_catalogue)
        kept << QFileInfo(partialFile(model)).fileName();
    const QStringList names = QDir(m_root).entryList({QLatin1Char('*') + partialSuffix},
                                                     QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &name : names) {
        if (kept.contains(name) || !name.startsWith(QLatin1Char('.')))
            continue;
        const QString path = QDir(m_root).filePath(name);
        try {
            const std::optional<FileLock> lock = FileLock::acquire(path, O_RDONLY, false);
            if (lock && lock->held() && lock->isAt(path))
                ::unlink(QFile::encodeName(path).constData());
        } catch (const SystemError &) {
            // Gone already or not ours to open: nothing to reclaim.
        }
    }
}

QCoro::Task<> WhisperModels::download(QString id, std::stop_token stop, Progress progress)
{
    const WhisperModel found = model(id);
    // The transfer lands in a hidden file beside the installed one, so the final step is a rename on
    // the same file system: no second copy of a large file, and nothing half-written under its name.
    auto open = [this, path = partialFile(found)] {
        FileUtil::createFolders(m_root, 0700);
        reclaimPartials();
        return openPartial(path);
    };
    const std::shared_ptr<PartialFile> part = co_await runOn(m_executor.pool(), std::move(open));

    qint64 present = part->size();
    if (present < 0 || present > found.size) {
        if (::ftruncate(part->fd(), 0) != 0)
            throw SystemError::fromErrno(errno, part->path());
        present = 0;
    }
    // Said before the first byte, not after an hour of downloading into a full disk.
    const qint64 available = QStorageInfo(m_root).bytesAvailable();
    if (available >= 0 && available < found.size - present) {
        const QLocale locale = QLocale::c();
        throw AppFailure(QStringLiteral("磁盘空间不足：下载还需要 %@，可用 %@。"),
                         {locale.formattedDataSize(found.size - present, 1, QLocale::DataSizeSIFormat),
                          locale.formattedDataSize(available, 1, QLocale::DataSizeSIFormat)});
    }
    if (progress)
        progress(present);
    if (present < found.size) {
        const QUrl source = url(found);
        const bool continued = co_await WhisperModelsTransfer::fetch(
            source, part->fd(), present, found.size, m_limits.idle, m_limits.whole, stop, progress);
        if (!continued) // the hub would not send the rest: the whole file, from its first byte
            co_await WhisperModelsTransfer::fetch(source, part->fd(), 0, found.size, m_limits.idle, m_limits.whole,
                                                  stop, progress);
    }

    const QString target = installedFile(found);
    auto install = [part, target, found, stop] {
        try {
            verify(part->path(), found, stop);
        } catch (const AppFailure &) {
            part->discard(); // complete but wrong, or not the model at all: no use to a later download
            throw;
        }
        if (stop.stop_requested())
            throw Cancelled();
        if (::fsync(part->fd()) != 0) // the bytes reach the disk before the rename makes them the model
            throw SystemError::fromErrno(errno, part->path());
        if (::rename(QFile::encodeName(part->path()).constData(), QFile::encodeName(target).constData()) != 0)
            throw AppFailure(saveFailed);
        part->installed();
        try {
            FileUtil::syncFolder(QFileInfo(target).absolutePath());
        } catch (const SystemError &) {
            // The model is in place; a folder that cannot be synced only weakens crash safety.
        }
    };
    co_await runOn(m_executor.pool(), std::move(install));
}
