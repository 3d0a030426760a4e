#include "library/NativeLibrary.h"
#include "library/NoteExport.h"
#include "library/RecordCodec.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "support/TaskRunner.h"
#include "workspace/UserPrompts.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

// Answers the save dialog with whatever the test decides, and remembers what it was shown.
class SavePrompts final : public UserPrompts {
public:
    std::function<std::optional<QString>()> answer;
    int asked = 0;
    QString title, suggestedName, extension;

    std::optional<QString> chooseFolder(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> chooseAudioFile(const QString &, const QString &) override { return {}; }
    std::optional<QString> chooseSaveLocation(const QString &t, const QString &name, const QString &ext) override
    {
        ++asked;
        title = t;
        suggestedName = name;
        extension = ext;
        return answer ? answer() : std::nullopt;
    }
    QCoro::Task<bool> confirmCloudUpload(QString, QString, QString, QString) override { co_return false; }
};

const QString noteID = QStringLiteral("0A0A0A0A-0000-4000-8000-00000000000A");

Recording sampleNote()
{
    Recording r;
    r.id = noteID;
    r.title = QStringLiteral("Q3.plan: kick-off");
    r.duration = 90;
    r.createdAt = QStringLiteral("2026-03-01T08:15:30Z");
    r.segments = {Segment{QStringLiteral("s1"), 75.4, 80, QStringLiteral("Hi"), QStringLiteral(" Ann ")},
                  Segment{QStringLiteral("s2"), 80, 90, QStringLiteral("a_b\nnext (line)"), QString()}};
    r.summary = QStringLiteral("# 纪要\n- 决定 #1");
    return r;
}

class ExportTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    QTemporaryDir target;
    std::unique_ptr<NativeLibrary> library;
    SavePrompts prompts;
    std::unique_ptr<Workspace> workspace;

    void SetUp() override
    {
        writeNote(home.path(), sampleNote());
        library = std::make_unique<NativeLibrary>(home.path());
        workspace = std::make_unique<Workspace>(*library, prompts, JobServices{}, false);
        workspace->loadHome();
        ASSERT_TRUE(waitUntil([&] { return workspace->isManaged() && !workspace->loading(); }));
        ASSERT_EQ(workspace->selectedID(), noteID);
    }

    static void writeNote(const QString &root, const Recording &recording)
    {
        const QString dir = root + QStringLiteral("/recordings/") + recording.id;
        QDir().mkpath(dir);
        FileUtil::writeAtomically(dir + QStringLiteral("/record.json"), RecordCodec::encodeRecording(recording));
    }

    QString saveTo(const QString &name)
    {
        const QString path = target.path() + QLatin1Char('/') + name;
        prompts.answer = [path] { return path; };
        return path;
    }

    static QByteArray contents(const QString &path) { return FileUtil::readFile(path, 1 << 20); }
};

TEST_F(ExportTest, WritesTheChosenDocumentAsUtf8)
{
    const QString transcript = saveTo(QStringLiteral("t.md"));
    workspace->exportText(false, NoteExportFormat::Markdown);
    EXPECT_EQ(prompts.suggestedName, QStringLiteral("Q3.plan- kick-off-逐字稿.md"));
    EXPECT_EQ(prompts.extension, QStringLiteral("md"));
    EXPECT_EQ(contents(transcript),
              QStringLiteral("# Q3\\.plan: kick\\-off\n\n"
                             "**\\[01:15\\] Ann**\n\nHi\n\n"
                             "**\\[01:20\\]**\n\na\\_b  \nnext \\(line\\)\n")
                  .toUtf8());
    EXPECT_EQ(workspace->notice(), QStringLiteral("已导出逐字稿。"));
    EXPECT_FALSE(workspace->error());

    const QString plain = saveTo(QStringLiteral("t.txt"));
    QFile old(plain);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older, much longer file that the export replaces entirely");
    old.close();
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_EQ(prompts.extension, QStringLiteral("txt"));
    EXPECT_EQ(contents(plain), QStringLiteral("Q3.plan: kick-off\n\n[01:15] Ann\nHi\n\n[01:20]\na_b\nnext (line)\n").toUtf8());

    const QString summary = saveTo(QStringLiteral("s.md"));
    workspace->exportText(true, NoteExportFormat::Markdown);
    EXPECT_EQ(prompts.suggestedName, QStringLiteral("Q3.plan- kick-off-纪要.md"));
    EXPECT_EQ(contents(summary), QStringLiteral("# Q3\\.plan: kick\\-off\n\n# 纪要\n- 决定 #1\n").toUtf8());
    EXPECT_EQ(workspace->notice(), QStringLiteral("已导出纪要。"));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "no temporary files left";
}

TEST_F(ExportTest, ExportsTheNoteAsItWasWhenAsked)
{
    // The dialog is modal and runs its own event loop: an edit lands while it is open.
    const QString path = target.path() + QStringLiteral("/before.txt");
    prompts.answer = [&]() -> std::optional<QString> {
        Recording edited = *workspace->selectedRecord();
        edited.title = QStringLiteral("Renamed meanwhile");
        edited.summary.clear();
        runTask(workspace->saveEdits(edited));
        return path;
    };
    workspace->exportText(true, NoteExportFormat::Text);
    EXPECT_EQ(workspace->selectedRecord()->title, QStringLiteral("Renamed meanwhile"));
    EXPECT_EQ(contents(path), QStringLiteral("Q3.plan: kick-off\n\n# 纪要\n- 决定 #1\n").toUtf8());

    // An empty summary still gives a document: the heading alone.
    const QString empty = saveTo(QStringLiteral("empty.txt"));
    workspace->exportText(true, NoteExportFormat::Text);
    EXPECT_EQ(contents(empty), QByteArray("Renamed meanwhile\n\n\n"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("已导出纪要。"));

    // Busy with another command does not stop an export.
    workspace->organize(noteID, OrganizeChange::toggleStar());
    ASSERT_TRUE(workspace->loading());
    const QString busy = saveTo(QStringLiteral("busy.txt"));
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_TRUE(QFile::exists(busy));
    ASSERT_TRUE(waitUntil([&] { return !workspace->loading(); }));
}

TEST_F(ExportTest, CancelsAndFailuresAreReportedOrSilentAsFitting)
{
    // Cancelled dialog: nothing written, nothing said.
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_EQ(prompts.asked, 1);
    EXPECT_FALSE(workspace->notice());
    EXPECT_FALSE(workspace->error());

    // No window to attach the dialog to.
    prompts.answer = []() -> std::optional<QString> { throw AppFailure(QStringLiteral("请返回笔记窗口后重试导出。")); };
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_EQ(workspace->error(), QStringLiteral("请返回笔记窗口后重试导出。"));

    // A folder that does not exist.
    saveTo(QStringLiteral("missing/folder/t.txt"));
    workspace->exportText(false, NoteExportFormat::Text);
    ASSERT_TRUE(workspace->error());
    EXPECT_TRUE(workspace->error()->startsWith(QStringLiteral("导出失败："))) << workspace->error()->toStdString();
    EXPECT_GT(workspace->error()->size(), QStringLiteral("导出失败：").size());
    EXPECT_FALSE(workspace->notice());

    // Nothing selected: no dialog at all.
    workspace->setSelectedID(std::nullopt);
    workspace->exportText(true, NoteExportFormat::Markdown);
    EXPECT_EQ(prompts.asked, 3);
}

TEST_F(ExportTest, ANoteOfAForeignLibraryCanBeExported)
{
    QTemporaryDir foreign;
    Recording other = sampleNote();
    other.title = QStringLiteral("Archive");
    other.segments.resize(1);
    writeNote(foreign.path(), other);
    workspace->openLibrary(foreign.path());
    ASSERT_TRUE(waitUntil([&] { return !workspace->loading(); }));
    ASSERT_FALSE(workspace->isManaged());
    ASSERT_EQ(workspace->selectedID(), noteID);

    const QString path = saveTo(QStringLiteral("archive.txt"));
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_EQ(contents(path), QByteArray("Archive\n\n[01:15] Ann\nHi\n"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("已导出逐字稿。"));
}

} // namespace
