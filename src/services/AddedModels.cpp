#include "services/AddedModels.h"

#include "platform/Errors.h"
#include "platform/FileUtil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString listName = QStringLiteral("added-models.json");
constexpr qint64 listLimit = 1 << 20;
constexpr qint64 blockSize = 1 << 20;

QString listPath(const QString &root)
{
    return QDir(root).filePath(listName);
}

void writeList(const QString &root, const QList<WhisperModel> &models)
{
    QJsonArray entries;
    for (const WhisperModel &model : models)
        entries.append(QJsonObject{{QStringLiteral("id"), model.id},
                                   {QStringLiteral("name"), model.name},
                                   {QStringLiteral("size"), double(model.size)},
                                   {QStringLiteral("sha256"), model.checksum}});
    FileUtil::writeAtomically(listPath(root), QJsonDocument(entries).toJson(QJsonDocument::Indented), 0600);
}

// Copies the file block by block, hashing what is written, and flushes the copy to disk.
QString copyHashing(const QString &from, const QString &to, std::stop_token stop)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw SystemError(in.errorString(), int(in.error()));
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0)
        throw SystemError::fromErrno(errno, to);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    auto fail = [&](int error) {
        ::close(out);
        throw FileUtil::writeError(error, to);
    };
    for (;;) {
        if (stop.stop_requested()) {
            ::close(out);
            throw Cancelled();
        }
        const QByteArray block = in.read(blockSize);
        if (in.error() != QFileDevice::NoError) {
            ::close(out);
            throw SystemError(in.errorString(), int(in.error()));
        }
        if (block.isEmpty())
            break;
        hash.addData(block);
        for (qsizetype written = 0; written < block.size();) {
            const ssize_t count = ::write(out, block.constData() + written, size_t(block.size() - written));
            if (count < 0 && errno != EINTR)
                fail(errno);
            written += std::max<ssize_t>(count, 0);
        }
    }
    if (::fsync(out) != 0)
        fail(errno);
    if (::close(out) != 0)
        throw FileUtil::writeError(errno, to);
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

namespace AddedModels {

QList<WhisperModel> read(const QString &root)
{
    QByteArray bytes;
    try {
        bytes = FileUtil::readFile(listPath(root), listLimit);
    } catch (const SystemError &) {
        return {};
    }
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    QList<WhisperModel> models;
    for (const QJsonValue &value : QJsonDocument::fromJson(bytes).array()) {
        const QJsonObject entry = value.toObject();
        WhisperModel model{entry.value(QStringLiteral("id")).toString(), entry.value(QStringLiteral("name")).toString(),
                           qint64(entry.value(QStringLiteral("size")).toDouble()),
                           entry.value(QStringLiteral("sha256")).toString(), {}, {}};
        // An entry that could name a file outside the folder, or no file, is not ours.
        if (idFor(model.id, {}) == model.id && model.size > 0 && hex.match(model.checksum).hasMatch())
            models.append(model);
    }
    return models;
}

QString idFor(const QString &name, const QStringList &taken)
{
    QString base = QFileInfo(name).fileName().toLower();
    if (base.endsWith(QLatin1String(".bin")))
        base.chop(4);
    if (base.startsWith(QLatin1String("ggml-")))
        base.remove(0, 5);
    static const QRegularExpression other(QStringLiteral("[^a-z0-9._-]+"));
    base.replace(other, QStringLiteral("-"));
    while (base.startsWith(QLatin1Char('.')) || base.startsWith(QLatin1Char('-')))
        base.remove(0, 1);
    base = base.left(64);
    if (base.isEmpty())
        base = QStringLiteral("custom");
    QString id = base;
    for (int number = 2; taken.contains(id); ++number)
        id = base + QLatin1Char('-') + QString::number(number);
    return id;
}

WhisperModel add(const QString &root, const QStringList &taken, const QString &file, const QString &name,
                 const LoadCheck &check, std::stop_token stop)
{
    const QFileInfo source(file);
    if (!source.isFile() || source.size() <= 0)
        throw AppFailure(QStringLiteral("请选择一个模型文件。"));
    FileUtil::createFolders(root, 0700);
    const QList<WhisperModel> added = read(root);
    QStringList ids = taken;
    for (const WhisperModel &model : added)
        ids << model.id;
    WhisperModel model;
    model.id = idFor(name.isEmpty() ? source.fileName() : name, ids);
    model.name = name.isEmpty() ? source.fileName() : name;
    model.size = source.size();

    const QString copy = QDir(root).filePath(QLatin1Char('.') + QUuid::createUuid().toString(QUuid::WithoutBraces)
                                             + QStringLiteral(".adding"));
    try {
        model.checksum = copyHashing(file, copy, stop);
        if (QFileInfo(copy).size() != model.size)
            throw AppFailure(QStringLiteral("模型文件在复制时发生了变化，请重试。"));
        check(copy);
        if (stop.stop_requested())
            throw Cancelled();
        const QString target = QDir(root).filePath(model.fileName());
        if (::rename(QFile::encodeName(copy).constData(), QFile::encodeName(target).constData()) != 0)
            throw FileUtil::writeError(errno, target);
        try {
            writeList(root, QList<WhisperModel>(added) << model);
        } catch (const FileUtil::NotDurable &) {
            throw; // listed, only not yet safe on disk: the file stays with its entry
        } catch (...) {
            QFile::remove(target);
            throw;
        }
    } catch (...) {
        QFile::remove(copy);
        throw;
    }
    return model;
}

void remove(const QString &root, const QString &id)
{
    QList<WhisperModel> added = read(root);
    const auto found = std::find_if(added.begin(), added.end(), [&](const WhisperModel &model) { return model.id == id; });
    if (found == added.end())
        throw AppFailure(QStringLiteral("只能移除自己添加的模型。"));
    const QString file = QDir(root).filePath(found->fileName());
    added.erase(found);
    writeList(root, added);
    if (!QFile::remove(file) && QFileInfo::exists(file))
        throw SystemError(QStringLiteral("could not remove %1").arg(file));
}

} // namespace AddedModels
