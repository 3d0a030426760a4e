// The one write path for the program's own files, with its system calls failing on demand: whatever
// step fails, the file being replaced keeps its bytes, no temporary file is left behind, and the
// error names the file and the reason.

#include "platform/FileUtil.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

using FileUtil::WriteStep;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class FileUtilTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_target = m_folder.filePath(QStringLiteral("record.json"));
        FileUtil::writeAtomically(m_target, m_old);
    }
    void TearDown() override { FileUtil::clearInjectedFaults(); }

    QTemporaryDir m_folder;
    QString m_target;
    const QByteArray m_old = QByteArrayLiteral("{\"title\":\"old\"}");
    const QByteArray m_new = QByteArray(100'000, 'n');
};

TEST_F(FileUtilTest, AnyFailingStepLeavesTheFileAsItWasAndSaysWhy)
{
    struct Case {
        WriteStep step;
        int nth;
        int error;
        int writeLimit;
    };
    const Case cases[] = {
        {WriteStep::Open, 1, ENOSPC, 0},  {WriteStep::Write, 1, ENOSPC, 0}, {WriteStep::Write, 4, EDQUOT, 1000},
        {WriteStep::Write, 2, EIO, 7},     {WriteStep::Sync, 1, EIO, 0},     {WriteStep::Sync, 1, ENOSPC, 0},
        {WriteStep::Rename, 1, EXDEV, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << int(c.step) << ", errno " << c.error);
        FileUtil::failNext(c.step, c.nth, c.error);
        FileUtil::limitWriteSize(c.writeLimit);
        try {
            FileUtil::writeAtomically(m_target, m_new, 0600);
            ADD_FAILURE() << "a failed write was reported as written";
        } catch (const FileUtil::NotDurable &) {
            ADD_FAILURE() << "a write that never reached its file was reported as in place";
        } catch (const SystemError &error) {
            EXPECT_TRUE(error.description().startsWith(m_target)) << error.description().toStdString();
            const QString reason = c.error == ENOSPC || c.error == EDQUOT ? L(QStringLiteral("磁盘空间不足"))
                                                                           : QString::fromLocal8Bit(std::strerror(c.error));
            EXPECT_TRUE(error.description().endsWith(reason)) << error.description().toStdString();
        }
        FileUtil::clearInjectedFaults();
        EXPECT_EQ(contents(m_target), m_old);
        EXPECT_EQ(entries(m_folder.path()), QStringList{QStringLiteral("record.json")});
    }
}

TEST_F(FileUtilTest, ShortAndInterruptedWritesStillWriteEveryByte)
{
    FileUtil::limitWriteSize(7);
    FileUtil::failNext(WriteStep::Write, 3, EINTR, 5);
    FileUtil::writeAtomically(m_target, m_new);
    EXPECT_EQ(contents(m_target), m_new);
    EXPECT_EQ(entries(m_folder.path()), QStringList{QStringLiteral("record.json")});
}

TEST_F(FileUtilTest, FolderSyncIsRetriedOnceThenReportedWithTheNewBytesInPlace)
{
    FileUtil::failNext(WriteStep::SyncFolder, 1, EIO);
    FileUtil::writeAtomically(m_target, m_new);
    EXPECT_EQ(contents(m_target), m_new);

    FileUtil::failNext(WriteStep::SyncFolder, 1, EIO, 2);
    EXPECT_THROW(FileUtil::writeAtomically(m_target, m_old), FileUtil::NotDurable);
    EXPECT_EQ(contents(m_target), m_old);
}

TEST_F(FileUtilTest, ReplacedFileKeepsItsPermissionsUnlessTheWriterSetsThem)
{
    ASSERT_EQ(::chmod(QFile::encodeName(m_target).constData(), 0640), 0);
    FileUtil::writeAtomically(m_target, m_new);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(m_target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    FileUtil::writeAtomically(m_target, m_old, 0600);
    ASSERT_EQ(::stat(QFile::encodeName(m_target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(FileUtilTest, PreferencesAreWrittenWholeOrNotAtAll)
{
    const QString file = m_folder.filePath(QStringLiteral("config/Hushnote.conf"));
    Preferences preferences(file);
    const QByteArray json = QByteArrayLiteral("{\"a\": \"x;y,z=\\\"q\\\"\\n\", \"b\": \"\xE4\xB8\xAD\"}");
    preferences.setValues({{QStringLiteral("summary.preferences"), json}, {QStringLiteral("app.language"), QStringLiteral("en")}});
    const QByteArray written = contents(file);
    ASSERT_FALSE(written.isEmpty());

    for (const WriteStep step : {WriteStep::Write, WriteStep::Sync, WriteStep::Rename}) {
        SCOPED_TRACE(int(step));
        // The scratch copies go through the same calls: fail each of them in turn, then the final one.
        for (int nth = 1; nth <= 3; ++nth) {
            FileUtil::failNext(step, nth, ENOSPC);
            try {
                preferences.setValues({{QStringLiteral("app.language"), QStringLiteral("zh-Hant")},
                                       {QStringLiteral("summary.preferences"), QByteArray("{}")}});
                // A step with fewer calls than nth: then the whole change went through; put it back.
                FileUtil::clearInjectedFaults();
                preferences.setValues({{QStringLiteral("summary.preferences"), json}, {QStringLiteral("app.language"), QStringLiteral("en")}});
                continue;
            } catch (const SystemError &) {
            }
            FileUtil::clearInjectedFaults();
            EXPECT_EQ(contents(file), written);
            EXPECT_EQ(preferences.string(QStringLiteral("app.language")), QStringLiteral("en"));
            EXPECT_EQ(preferences.data(QStringLiteral("summary.preferences")), json);
        }
    }
    EXPECT_EQ(entries(m_folder.filePath(QStringLiteral("config"))), QStringList{QStringLiteral("Hushnote.conf")});
    EXPECT_TRUE(QDir(m_folder.filePath(QStringLiteral("config"))).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    // What was written is what QSettings itself reads back.
    preferences.remove(QStringLiteral("summary.preferences"));
    QSettings settings(file, QSettings::IniFormat);
    EXPECT_EQ(settings.allKeys(), QStringList{QStringLiteral("app.language")});
}

} // namespace
