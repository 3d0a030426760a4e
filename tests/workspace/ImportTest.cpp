#include "WorkspaceFixture.h"

#include "support/AudioFixtures.h"

#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>

using namespace AudioFixtures;
using LibraryFixture::readBytes;

namespace {

class ImportTest : public WorkspaceFixture {
protected:
    void SetUp() override { start(); }

    // Runs one import to its end through the Workspace.
    void import(const QString &path, const std::optional<Recording> &copyOf = std::nullopt)
    {
        workspace->setError(std::nullopt);
        workspace->setNotice(std::nullopt);
        workspace->importAudio(path, copyOf);
        ASSERT_TRUE(TestSupport::waitUntil([&] { return !workspace->loading(); }, 600000));
    }

    // Every entry of the folder of notes, hidden ones included.
    QStringList entries() const
    {
        return QDir(root + QStringLiteral("/recordings"))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    // A copy of a generated file under a name of the test's choosing.
    QString named(const QString &source, const QString &name) const
    {
        const QString path = m_dir.path() + QLatin1Char('/') + name;
        QFile::remove(path);
        QFile::copy(source, path);
        return path;
    }
};

} // namespace

TEST_F(ImportTest, PlainImportStoresAnExactCopyAsAReadyNote)
{
    const QString picked = named(tone("m4a", 5, 44100, 2), QStringLiteral("Meeting.M4A"));
    import(picked);
    ASSERT_FALSE(workspace->error()) << workspace->error()->toStdString();
    EXPECT_EQ(workspace->notice(), QStringLiteral("已收好，保存在资料库。"));
    ASSERT_EQ(workspace->records().size(), 1u);

    const Recording &note = workspace->records().front();
    EXPECT_EQ(workspace->selectedID(), note.id);
    EXPECT_EQ(note.id, QUuid(note.id).toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(entries(), QStringList{note.id});
    const QString folder = root + QStringLiteral("/recordings/") + note.id;
    EXPECT_EQ(LibraryFixture::modeOf(folder), 0700);
    EXPECT_EQ(note.audioURL, folder + QStringLiteral("/audio.m4a"));
    EXPECT_EQ(readBytes(*note.audioURL), readBytes(picked));

    // A fresh, ready note and nothing else.
    const Recording made = stored(note.id);
    EXPECT_NEAR(made.duration, 5.0, 0.03);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$")).match(made.createdAt).hasMatch());
    Recording expected = LibraryFixture::note(note.id, made.createdAt);
    expected.title = QStringLiteral("Meeting");
    expected.duration = made.duration;
    expected.starred = false;
    expected.completedChunks = 0;
    expected.status = QStringLiteral("ready");
    expected.summaryStale = false;
    EXPECT_EQ(made, expected);

    // No extension, or a link to the audio: the name and the bytes come from what was picked.
    import(named(tone("wav", 2, 16000, 1), QStringLiteral("voice memo")));
    ASSERT_FALSE(workspace->error());
    const Recording memo = stored(*workspace->selectedID());
    EXPECT_EQ(memo.title, QStringLiteral("voice memo"));
    EXPECT_EQ(memo.storedAudioName, QStringLiteral("audio."));
    import(symbolicLink());
    ASSERT_FALSE(workspace->error());
    const QString linked = root + QStringLiteral("/recordings/") + *workspace->selectedID() + QStringLiteral("/audio.wav");
    EXPECT_FALSE(QFileInfo(linked).isSymLink());
    EXPECT_EQ(readBytes(linked), readBytes(symbolicLink()));
    EXPECT_EQ(workspace->records().size(), 3u);
}

TEST_F(ImportTest, ChooserAsksOnceAndImportsThePick)
{
    workspace->chooseAudio();
    EXPECT_EQ(prompts.audioRequest,
              (QStringList{QStringLiteral("导入录音"), QStringLiteral("导入音频副本，并将整理结果保存在你的资料库。")}));
    EXPECT_FALSE(workspace->loading());

    prompts.audioAnswer = tone("mp3", 3, 22050, 1);
    workspace->chooseAudio();
    settle();
    EXPECT_EQ(workspace->records().size(), 1u);
}

TEST_F(ImportTest, CopyingAForeignNoteCarriesItsWorkButNotItsMarks)
{
    // A foreign library whose note has 150 s of audio (3 chunks) and a legacy transcript.
    const QString foreign = m_dir.path() + QStringLiteral("/Old");
    Recording source;
    source.id = QStringLiteral("legacy-1");
    source.title = QStringLiteral("Board meeting");
    source.duration = 150;
    source.createdAt = QStringLiteral("2025-01-01T00:00:00Z");
    source.segments = {{QStringLiteral("s1"), 0, 4, QStringLiteral("Hello"), QStringLiteral("A")}};
    source.summary = QStringLiteral("# Minutes");
    source.starred = true;
    source.folderId = QStringLiteral("P1");
    source.storedAudioName = QStringLiteral("Audio.WAV");
    source.summaryStale = true;
    source.summaryTemplate = QStringLiteral("meeting");
    source.summaryTemplateName = QStringLiteral("会议纪要");
    source.summaryTemplateVersion = 2;
    const QString audio = LibraryFixture::putNote(foreign, source, false) + QStringLiteral("/Audio.WAV");
    QFile::copy(tone("wav", 150, 8000, 1), audio);

    workspace->openLibrary(foreign);
    settle();
    ASSERT_FALSE(workspace->isManaged());
    workspace->setQuery(QStringLiteral("Board"));
    workspace->copySelected();
    settle();
    ASSERT_FALSE(workspace->error()) << workspace->error()->toStdString();

    // Back on the home library, scope all, search cleared, the copy selected.
    EXPECT_TRUE(workspace->isManaged());
    EXPECT_EQ(workspace->libraryLabel(), QStringLiteral("我的资料库"));
    EXPECT_EQ(workspace->scope(), LibraryScope::all());
    EXPECT_EQ(workspace->query(), QString());
    ASSERT_EQ(workspace->records().size(), 1u);
    EXPECT_EQ(workspace->selectedID(), workspace->records().front().id);

    // The work comes along; the star, the project and the old audio name stay behind.
    const Recording copy = stored(*workspace->selectedID());
    EXPECT_NE(copy.id, source.id);
    Recording expected = source;
    expected.id = copy.id;
    expected.createdAt = copy.createdAt;
    expected.starred = false;
    expected.folderId.reset();
    expected.storedAudioName = QStringLiteral("audio.wav");
    expected.completedChunks = 3;
    expected.status = QStringLiteral("transcribed");
    EXPECT_EQ(copy, expected);

    // completedChunks is kept within the new audio's chunks and sets the status.
    struct Case {
        std::optional<qint64> done;
        bool segments;
        qint64 chunks;
        QString status;
    };
    for (const Case &c : {Case{99, true, 3, "transcribed"}, Case{1, true, 1, "paused"}, Case{-4, true, 0, "ready"},
                          Case{std::nullopt, false, 0, "ready"}}) {
        Recording variant = source;
        variant.completedChunks = c.done;
        if (!c.segments)
            variant.segments.clear();
        variant.summaryStale = std::nullopt;
        import(audio, variant);
        ASSERT_FALSE(workspace->error());
        const Recording made = stored(*workspace->selectedID());
        EXPECT_EQ(made.completedChunks, c.chunks);
        EXPECT_EQ(made.status, c.status);
        EXPECT_EQ(made.summaryStale, false);
    }
}

TEST_F(ImportTest, EveryBadPickIsExplainedAndLeavesNothingBehind)
{
    import(tone("wav", 1, 8000, 1));
    const std::vector<Recording> before = workspace->records();
    const QStringList entriesBefore = entries();

    const QString sizeMessage = QStringLiteral("导入失败：请选择大于 0 且不超过 500 MB 的音频。");
    const QString lengthMessage = QStringLiteral("导入失败：音频需短于 12 小时，且能被系统解码。");
    const std::pair<QString, QString> cases[] = {
        {empty(), sizeMessage},
        {namedPipe(), sizeMessage},
        {silentWavOfSize(524'288'001), sizeMessage},
        {flacStating(43'200 * 8000 + 800), lengthMessage},
        {video(false), QStringLiteral("导入失败：音频中没有可读取的声音轨道。")},
        {textAsMp3(), QStringLiteral("导入失败：")},
        {truncated(), QStringLiteral("导入失败：")},
        {m_dir.path() + QStringLiteral("/missing.mp3"), QStringLiteral("导入失败：")},
        {m_dir.path(), QStringLiteral("导入失败：")},
    };
    for (const auto &[path, message] : cases) {
        SCOPED_TRACE(path.toStdString());
        import(path);
        ASSERT_TRUE(workspace->error());
        EXPECT_TRUE(workspace->error()->startsWith(message)) << workspace->error()->toStdString();
        EXPECT_GT(workspace->error()->size(), QStringLiteral("导入失败：").size());
        EXPECT_EQ(workspace->records(), before);
        EXPECT_EQ(entries(), entriesBefore);
    }
}

TEST_F(ImportTest, LimitsAreInclusive)
{
    import(flacStating(43'200 * 8000));
    ASSERT_FALSE(workspace->error()) << workspace->error()->toStdString();
    EXPECT_DOUBLE_EQ(stored(*workspace->selectedID()).duration, 43'200);

    const QString biggest = silentWavOfSize(524'288'000);
    import(biggest);
    ASSERT_FALSE(workspace->error()) << workspace->error()->toStdString();
    const QString copy = root + QStringLiteral("/recordings/") + *workspace->selectedID() + QStringLiteral("/audio.wav");
    EXPECT_EQ(QFileInfo(copy).size(), 524'288'000);
    QFile::remove(biggest);
}

TEST_F(ImportTest, AFailedCopyRemovesTheHalfBuiltNote)
{
    const QStringList entriesBefore = entries();
    const QString picked = tone("wav", 10, 44100, 2);
    // Files may not grow past 64 KiB for a moment: the copy fails the way a full disk fails it.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit small = original;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    import(picked);
    ::setrlimit(RLIMIT_FSIZE, &original);

    ASSERT_TRUE(workspace->error());
    EXPECT_TRUE(workspace->error()->startsWith(QStringLiteral("导入失败："))) << workspace->error()->toStdString();
    EXPECT_TRUE(workspace->records().empty());
    EXPECT_EQ(entries(), entriesBefore);

    // A library whose folder of notes became a link refuses the import.
    QDir(root).rename(QStringLiteral("recordings"), QStringLiteral("elsewhere"));
    QFile::link(root + QStringLiteral("/elsewhere"), root + QStringLiteral("/recordings"));
    import(tone("wav", 1, 8000, 1));
    EXPECT_EQ(workspace->error(), QStringLiteral("导入失败：资料库包含不安全的链接。"));
    EXPECT_TRUE(QDir(root + QStringLiteral("/elsewhere")).isEmpty());
}
