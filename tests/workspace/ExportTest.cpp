#include "WorkspaceFixture.h"

#include "library/NoteExport.h"
#include "platform/Errors.h"

using TestSupport::runTask;

namespace {

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

class ExportTest : public WorkspaceFixture {
protected:
    QTemporaryDir target;

    void SetUp() override
    {
        LibraryFixture::putNote(root, sampleNote());
        start();
        ASSERT_EQ(workspace->selectedID(), noteID);
    }

    QString saveTo(const QString &name)
    {
        const QString path = target.path() + QLatin1Char('/') + name;
        prompts.saveAnswer = [path] { return path; };
        return path;
    }
};

TEST_F(ExportTest, WritesTheChosenDocumentAsUtf8)
{
    const QString transcript = saveTo(QStringLiteral("t.md"));
    workspace->exportText(false, NoteExportFormat::Markdown);
    EXPECT_EQ(prompts.saveRequest[1], QStringLiteral("Q3.plan- kick-off-逐字稿.md"));
    EXPECT_EQ(prompts.saveRequest[2], QStringLiteral("md"));
    EXPECT_TRUE(LibraryFixture::readBytes(transcript).startsWith("# Q3\\.plan: kick\\-off\n\n**\\[01:15\\] Ann**"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("已导出逐字稿。"));
    EXPECT_FALSE(workspace->error());

    const QString plain = saveTo(QStringLiteral("t.txt"));
    LibraryFixture::writeBytes(plain, "an older, much longer file that the export replaces entirely");
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_EQ(prompts.saveRequest[2], QStringLiteral("txt"));
    EXPECT_EQ(LibraryFixture::readBytes(plain), QStringLiteral("Q3.plan: kick-off\n\n[01:15] Ann\nHi\n\n[01:20]\na_b\nnext (line)\n").toUtf8());

    const QString summary = saveTo(QStringLiteral("s.md"));
    workspace->exportText(true, NoteExportFormat::Markdown);
    EXPECT_EQ(prompts.saveRequest[1], QStringLiteral("Q3.plan- kick-off-纪要.md"));
    EXPECT_EQ(LibraryFixture::readBytes(summary), QStringLiteral("# Q3\\.plan: kick\\-off\n\n# 纪要\n- 决定 #1\n").toUtf8());
    EXPECT_EQ(workspace->notice(), QStringLiteral("已导出纪要。"));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "no temporary files left";
}

TEST_F(ExportTest, ExportsTheNoteAsItWasWhenAsked)
{
    // The dialog is modal and runs its own event loop: an edit lands while it is open.
    const QString path = target.path() + QStringLiteral("/before.txt");
    prompts.saveAnswer = [&]() -> std::optional<QString> {
        Recording edited = *workspace->selectedRecord();
        edited.title = QStringLiteral("Renamed meanwhile");
        edited.summary.clear();
        runTask(workspace->saveEdits(edited));
        return path;
    };
    workspace->exportText(true, NoteExportFormat::Text);
    EXPECT_EQ(workspace->selectedRecord()->title, QStringLiteral("Renamed meanwhile"));
    EXPECT_EQ(LibraryFixture::readBytes(path), QStringLiteral("Q3.plan: kick-off\n\n# 纪要\n- 决定 #1\n").toUtf8());

    // An empty summary still gives a document: the heading alone.
    const QString empty = saveTo(QStringLiteral("empty.txt"));
    workspace->exportText(true, NoteExportFormat::Text);
    EXPECT_EQ(LibraryFixture::readBytes(empty), QByteArray("Renamed meanwhile\n\n\n"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("已导出纪要。"));

    // Busy with another command does not stop an export.
    workspace->organize(noteID, OrganizeChange::toggleStar());
    ASSERT_TRUE(workspace->loading());
    const QString busy = saveTo(QStringLiteral("busy.txt"));
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_TRUE(QFile::exists(busy));
    settle();
}

TEST_F(ExportTest, CancelsAndFailuresAreReportedOrSilentAsFitting)
{
    // Cancelled dialog: nothing written, nothing said.
    workspace->exportText(false, NoteExportFormat::Text);
    EXPECT_EQ(prompts.saveAsked, 1);
    EXPECT_FALSE(workspace->notice());
    EXPECT_FALSE(workspace->error());

    // No window to attach the dialog to.
    prompts.saveAnswer = []() -> std::optional<QString> { throw AppFailure(QStringLiteral("请返回笔记窗口后重试导出。")); };
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
    EXPECT_EQ(prompts.saveAsked, 3);
}

} // namespace
