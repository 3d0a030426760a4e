// End-to-end checks of hushnote-cli: the built program runs as a child process against a throwaway
// home (its own XDG data and config folders), with real audio, a fake Ollama on loopback and, when
// the test runs inside the private D-Bus session of scripts/test, the real Secret Service.

#include "library/RecordCodec.h"
#include "support/AudioFixtures.h"
#include "support/FakeOllamaServer.h"
#include "support/FakeProviderServer.h"
#include "support/GeneratedWhisper.h"
#include "support/PrivateKeyring.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

struct CliResult {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QString errText() const { return QString::fromUtf8(err); }
    QString outText() const { return QString::fromUtf8(out); }
};

QString newID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

Segment segment(double start, double end, QString text, QString speaker = {})
{
    return Segment{newID(), start, end, std::move(text), std::move(speaker)};
}

// Every file under a folder with its content hash: equal maps mean nothing was written.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(path), QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
    }
    return files;
}

// Puts a small tmpfs at path, in a mount namespace of this test process's own, so the mount is
// gone when the test ends however it ends. Children started from this thread see it too.
QString mountSmallFileSystem(const QString &path, int megabytes)
{
    if (::geteuid() != 0)
        return QStringLiteral("mounting a small file system needs root");
    if (::unshare(CLONE_NEWNS) != 0)
        return QStringLiteral("no mount namespace: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("mounts cannot be made private: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    const QByteArray options = QByteArray("mode=0700,size=") + QByteArray::number(megabytes) + 'm';
    if (::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData()) != 0)
        return QStringLiteral("tmpfs cannot be mounted: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

// Fills the file system holding folder until not one more byte fits.
void fillUp(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/filler")).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const QByteArray block(1 << 16, 'x');
    for (qsizetype size = block.size(); size > 0;) {
        if (::write(fd, block.constData(), size_t(size)) < 0)
            size /= 2;
    }
    ::close(fd);
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_home.isValid()); }

    QString homeLibrary() const { return m_home.filePath(QStringLiteral("data/Hushnote/Library")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        return env;
    }

    void start(QProcess &process, const QStringList &arguments) const
    {
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(HUSHNOTE_BIN_DIR "/hushnote-cli"), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    CliResult run(const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcess process;
        start(process, arguments);
        process.write(input);
        process.closeWriteChannel();
        // A guard against a hang only; nothing here is about speed.
        EXPECT_TRUE(process.waitForFinished(180000)) << arguments.join(QLatin1Char(' ')).toStdString();
        CliResult result;
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    // A note written straight into a library folder, the way the store lays it out.
    Recording writeNote(const QString &root, Recording note, bool withAudio = true) const
    {
        if (note.id.isEmpty())
            note.id = newID();
        if (note.createdAt.isEmpty())
            note.createdAt = QStringLiteral("2026-03-01T08:15:30Z");
        const QString folder = root + QStringLiteral("/recordings/") + note.id;
        EXPECT_TRUE(QDir().mkpath(folder));
        if (withAudio) {
            note.storedAudioName = QStringLiteral("audio.wav");
            EXPECT_TRUE(QFile::copy(AudioFixtures::tone(QStringLiteral("wav"), 2.0, 16000, 1), folder + QStringLiteral("/audio.wav")));
        }
        QFile file(folder + QStringLiteral("/record.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RecordCodec::encodeRecording(note));
        return note;
    }

    QJsonObject storedNote(const QString &id) const
    {
        QFile file(homeLibrary() + QStringLiteral("/recordings/") + id + QStringLiteral("/record.json"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // Applies the current configuration, from a file, with the given model settings and language.
    void configureModels(const QJsonObject &changes, const QString &language) const
    {
        const CliResult shown = run({QStringLiteral("config"), QStringLiteral("show")});
        ASSERT_EQ(shown.status, 0) << shown.errText().toStdString();
        QJsonObject document = QJsonDocument::fromJson(shown.out).object();
        QJsonObject models = document.value(QStringLiteral("models")).toObject();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            models.insert(it.key(), it.value());
        document.insert(QStringLiteral("models"), models);
        document.insert(QStringLiteral("language"), language);
        QFile file(m_home.filePath(QStringLiteral("configuration-edit.json")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(document).toJson());
        file.close();
        const CliResult applied = run({QStringLiteral("config"), QStringLiteral("apply"), file.fileName()});
        ASSERT_EQ(applied.status, 0) << applied.errText().toStdString();
    }

    QTemporaryDir m_home;
};

TEST_F(CliTest, UsageErrorsExitWithTwoAndHelpSucceeds)
{
    const CliResult help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.outText().contains(QStringLiteral("export ID [--transcript] [--summary]")));

    const QList<QStringList> wrong{
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("show")},
        {QStringLiteral("list"), QStringLiteral("--bogus")},
        {QStringLiteral("list"), QStringLiteral("--query")},
        {QStringLiteral("project")},
        {QStringLiteral("export"), QStringLiteral("ABC")},
        {QStringLiteral("export"), QStringLiteral("ABC"), QStringLiteral("--transcript"), QStringLiteral("--summary")},
        {QStringLiteral("export"), QStringLiteral("ABC"), QStringLiteral("--summary"), QStringLiteral("--format"), QStringLiteral("srt")},
        {QStringLiteral("move"), QStringLiteral("ABC")},
        // A key is never taken from the command line, where it would end up in the shell history.
        {QStringLiteral("key"), QStringLiteral("set"), QStringLiteral("openai"), QStringLiteral("sk-secret")},
        {QStringLiteral("key"), QStringLiteral("set"), QStringLiteral("nosuchprovider")},
        {QStringLiteral("summarize"), QStringLiteral("ABC"), QStringLiteral("--template"), QStringLiteral("nosuch")},
    };
    for (const QStringList &arguments : wrong) {
        const CliResult result = run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.errText().contains(QStringLiteral("hushnote-cli help")));
    }
    // No usage error ever touched the home library.
    EXPECT_FALSE(QFileInfo::exists(m_home.filePath(QStringLiteral("data/Hushnote/Library/recordings"))));
}

TEST_F(CliTest, OptionFormsProjectsAndModels)
{
    Recording shipping;
    shipping.title = QStringLiteral("Shipping");
    shipping.duration = 2;
    shipping.summary = QStringLiteral("we SHIP friday");
    shipping = writeNote(homeLibrary(), shipping);
    Recording other;
    other.title = QStringLiteral("Other\tnote\nline");
    other.duration = 2;
    other.createdAt = QStringLiteral("2026-03-02T08:15:30Z");
    other = writeNote(homeLibrary(), other);

    const CliResult all = run({QStringLiteral("list")});
    ASSERT_EQ(all.status, 0);
    const QStringList rows = all.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2);
    for (const QString &row : rows)
        EXPECT_EQ(row.split(QLatin1Char('\t')).size(), 6) << row.toStdString(); // a tab in a title never adds a column
    EXPECT_TRUE(all.outText().startsWith(other.id)); // newest first
    const CliResult found = run({QStringLiteral("list"), QStringLiteral("--query=  ship ")});
    EXPECT_EQ(found.outText(), shipping.id + QStringLiteral("\t2026-03-01T08:15:30Z\t00:02\tready\t-\tShipping\n"));
    EXPECT_EQ(run({QStringLiteral("list"), QStringLiteral("--query"), QStringLiteral("a"), QStringLiteral("--query"),
                   QStringLiteral("b")}).status, 2);
    // After "--" a leading dash is an id, not an option: a failure to find it, not a usage error.
    EXPECT_EQ(run({QStringLiteral("show"), QStringLiteral("--"), QStringLiteral("-x")}).status, 1);

    const CliResult created = run({QStringLiteral("project"), QStringLiteral("create"), QStringLiteral("Work")});
    ASSERT_EQ(created.status, 0);
    const QString projectID = created.outText().trimmed();
    EXPECT_EQ(run({QStringLiteral("project"), QStringLiteral("create"), QStringLiteral("   ")}).status, 1);
    const CliResult renamed = run({QStringLiteral("project"), QStringLiteral("rename"), projectID.left(8), QStringLiteral("Team")});
    EXPECT_EQ(renamed.status, 0) << renamed.errText().toStdString();
    EXPECT_TRUE(renamed.errText().contains(QStringLiteral("项目名称已更新。")));
    const CliResult projects = run({QStringLiteral("projects"), QStringLiteral("--json")});
    EXPECT_EQ(projects.out, QStringLiteral("[{\"id\":\"%1\",\"name\":\"Team\"}]\n").arg(projectID).toUtf8());
    EXPECT_EQ(run({QStringLiteral("move"), shipping.id, QStringLiteral("nosuchproject")}).status, 1);

    // The configured local model is marked; nothing is downloaded, so a check fails with the store's words.
    const CliResult models = run({QStringLiteral("model"), QStringLiteral("list")});
    ASSERT_EQ(models.status, 0);
    const QStringList lines = models.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("base\t*\tnot downloaded\t")));
    EXPECT_TRUE(lines.contains(QStringLiteral("large-v3-turbo\t-\tnot downloaded\tWhisper Large v3 Turbo · 1.6 GB")));
    EXPECT_TRUE(lines.contains(QStringLiteral("medium\t-\tnot downloaded\tWhisper Medium · 1.5 GB")));
    const CliResult check = run({QStringLiteral("model"), QStringLiteral("check"), QStringLiteral("tiny")});
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(check.errText().contains(QStringLiteral("模型未安装或不完整，请下载后重试。"))) << check.errText().toStdString();
}

TEST_F(CliTest, ImportedNotesAreListedAndShownAsJson)
{
    const QString wav = AudioFixtures::tone(QStringLiteral("wav"), 2.0, 16000, 1);
    const QString mp3 = AudioFixtures::tone(QStringLiteral("mp3"), 3.0, 44100, 2);
    const QString text = AudioFixtures::textAsMp3();

    // The unreadable file is reported and does not stop the others.
    const CliResult imported = run({QStringLiteral("import"), wav, text, mp3});
    EXPECT_EQ(imported.status, 1);
    EXPECT_TRUE(imported.errText().contains(QStringLiteral("导入失败：")));
    EXPECT_TRUE(imported.errText().contains(QStringLiteral("已收好，保存在资料库。")));
    const QStringList ids = imported.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(ids.size(), 2);

    const CliResult listed = run({QStringLiteral("list"), QStringLiteral("--json")});
    ASSERT_EQ(listed.status, 0) << listed.errText().toStdString();
    const QJsonArray notes = QJsonDocument::fromJson(listed.out).array();
    ASSERT_EQ(notes.size(), 2);
    for (const QJsonValue &value : notes) {
        const QJsonObject note = value.toObject();
        EXPECT_TRUE(ids.contains(note.value(QStringLiteral("id")).toString()));
        // The record's own fields, absent ones left out, and where the audio is.
        const QStringList keys{"audioPath", "completedChunks", "createdAt", "duration", "id", "segments",
                               "starred", "status", "storedAudioName", "summary", "summaryStale", "title"};
        EXPECT_EQ(note.keys(), keys);
        EXPECT_TRUE(QFileInfo::exists(note.value(QStringLiteral("audioPath")).toString()));
        EXPECT_EQ(note.value(QStringLiteral("status")).toString(), QStringLiteral("ready"));
    }

    // A unique start of an id is enough; show prints the same object as list.
    const QString first = ids.first();
    const CliResult shown = run({QStringLiteral("show"), first.left(8).toLower()});
    ASSERT_EQ(shown.status, 0) << shown.errText().toStdString();
    const QJsonObject note = QJsonDocument::fromJson(shown.out).object();
    EXPECT_EQ(note.value(QStringLiteral("id")).toString(), first);
    EXPECT_NEAR(note.value(QStringLiteral("duration")).toDouble(), 2.0, 0.05);
    for (const QJsonValue &value : notes) {
        if (value.toObject().value(QStringLiteral("id")).toString() == first) {
            EXPECT_EQ(value.toObject(), note);
        }
    }

    const CliResult missing = run({QStringLiteral("show"), QStringLiteral("00000000-0000")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.errText().contains(QStringLiteral("找不到这条笔记：00000000-0000")));
}

TEST_F(CliTest, OrganizeEditAndExportProduceExactBytes)
{
    Recording draft;
    draft.title = QStringLiteral("draft");
    draft.duration = 4000;
    draft.segments = {segment(75.4, 80, QStringLiteral("Hi\nthere")),
                      segment(3725, 3730, QStringLiteral("a.b"), QStringLiteral(" Bob "))};
    draft.summary = QStringLiteral("# Plan\n- ship");
    const Recording note = writeNote(homeLibrary(), draft);

    EXPECT_EQ(run({QStringLiteral("star"), note.id}).status, 0);
    EXPECT_EQ(run({QStringLiteral("star"), note.id}).status, 0); // stays starred, never toggles back
    const CliResult project = run({QStringLiteral("project"), QStringLiteral("create"), QStringLiteral("  Work ")});
    ASSERT_EQ(project.status, 0) << project.errText().toStdString();
    const QString projectID = project.outText().trimmed();
    const CliResult duplicate = run({QStringLiteral("project"), QStringLiteral("create"), QStringLiteral("work")});
    EXPECT_EQ(duplicate.status, 1);
    EXPECT_TRUE(duplicate.errText().contains(QStringLiteral("已经有同名项目。")));
    EXPECT_EQ(run({QStringLiteral("move"), note.id, QStringLiteral("work")}).status, 0);

    const CliResult edited = run({QStringLiteral("edit"), note.id, QStringLiteral("--title"), QStringLiteral("Q3.plan"),
                                  QStringLiteral("--rename-speaker"), QString(), QStringLiteral("Ann")});
    ASSERT_EQ(edited.status, 0) << edited.errText().toStdString();
    EXPECT_TRUE(edited.errText().contains(QStringLiteral("修改已保存。")));
    const CliResult noSpeaker = run({QStringLiteral("edit"), note.id, QStringLiteral("--rename-speaker"),
                                     QStringLiteral("Nobody"), QStringLiteral("X")});
    EXPECT_EQ(noSpeaker.status, 1);

    const QJsonObject stored = storedNote(note.id);
    EXPECT_TRUE(stored.value(QStringLiteral("starred")).toBool());
    EXPECT_EQ(stored.value(QStringLiteral("folderId")).toString(), projectID);
    // A speaker rename changes the transcript under an existing summary.
    EXPECT_TRUE(stored.value(QStringLiteral("summaryStale")).toBool());

    const CliResult markdown = run({QStringLiteral("export"), note.id.left(6), QStringLiteral("--transcript"),
                                    QStringLiteral("--format"), QStringLiteral("md")});
    ASSERT_EQ(markdown.status, 0) << markdown.errText().toStdString();
    EXPECT_EQ(markdown.out, QByteArray("# Q3\\.plan\n\n**\\[01:15\\] Ann**\n\nHi  \nthere\n\n"
                                       "**\\[1:02:05\\] Bob**\n\na\\.b\n"));
    const CliResult text = run({QStringLiteral("export"), note.id, QStringLiteral("--summary"), QStringLiteral("-o"),
                                QStringLiteral("-")});
    EXPECT_EQ(text.out, QByteArray("Q3.plan\n\n# Plan\n- ship\n"));
    const CliResult subtitles = run({QStringLiteral("export"), note.id, QStringLiteral("--transcript"),
                                     QStringLiteral("--format"), QStringLiteral("vtt")});
    EXPECT_EQ(subtitles.out, QByteArray("WEBVTT\n\n00:01:15.400 --> 00:01:20.000\nAnn: Hi\nthere\n\n"
                                        "01:02:05.000 --> 01:02:10.000\nBob: a.b\n"));

    // Into a folder: the proposed name, written by the program's export command.
    const CliResult toFolder = run({QStringLiteral("export"), note.id, QStringLiteral("--transcript"), QStringLiteral("-o"),
                                    m_home.path()});
    ASSERT_EQ(toFolder.status, 0) << toFolder.errText().toStdString();
    EXPECT_TRUE(toFolder.errText().contains(QStringLiteral("已导出逐字稿。")));
    QFile exported(m_home.filePath(QStringLiteral("Q3.plan-逐字稿.txt")));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(exported.readAll(), QByteArray("Q3.plan\n\n[01:15] Ann\nHi\nthere\n\n[1:02:05] Bob\na.b\n"));

    auto listed = [&](const QString &scope) {
        return run({QStringLiteral("list"), QStringLiteral("--scope"), scope}).outText();
    };
    EXPECT_TRUE(listed(QStringLiteral("pinned")).contains(note.id));
    EXPECT_TRUE(listed(QStringLiteral("project:") + projectID).contains(note.id));
    EXPECT_EQ(run({QStringLiteral("trash"), note.id}).status, 0);
    EXPECT_FALSE(listed(QStringLiteral("all")).contains(note.id));
    EXPECT_TRUE(listed(QStringLiteral("trash")).contains(note.id));
    EXPECT_EQ(run({QStringLiteral("restore"), note.id}).status, 0);
    EXPECT_TRUE(listed(QStringLiteral("all")).contains(note.id));
    EXPECT_EQ(run({QStringLiteral("move"), note.id, QStringLiteral("--none")}).status, 0);
    EXPECT_FALSE(storedNote(note.id).contains(QStringLiteral("folderId")));
}

TEST_F(CliTest, ForeignLibraryIsReadOnlyAndCopiesIntoHome)
{
    QTemporaryDir foreign;
    Recording live;
    live.title = QStringLiteral("Old meeting");
    live.duration = 2;
    live.segments = {segment(0, 2, QStringLiteral("hello"), QStringLiteral("Ann"))};
    live.summary = QStringLiteral("notes");
    live.summaryTemplate = QStringLiteral("meeting");
    live.starred = true;
    live = writeNote(foreign.path(), live);
    Recording trashed;
    trashed.title = QStringLiteral("Gone");
    trashed.duration = 2;
    trashed.deletedAt = QStringLiteral("2026-03-02T08:00:00Z");
    writeNote(foreign.path(), trashed);
    QDir().mkpath(foreign.filePath(QStringLiteral("recordings/broken")));
    QFile(foreign.filePath(QStringLiteral("recordings/broken/record.json"))).open(QIODevice::WriteOnly);
    const auto before = snapshot(foreign.path());

    const CliResult listed = run({QStringLiteral("list"), QStringLiteral("--library"), foreign.path(), QStringLiteral("--json")});
    ASSERT_EQ(listed.status, 0) << listed.errText().toStdString();
    EXPECT_TRUE(listed.errText().contains(QStringLiteral("已跳过 1 条无法读取的记录。")));
    const QJsonArray notes = QJsonDocument::fromJson(listed.out).array();
    ASSERT_EQ(notes.size(), 1); // the trashed note is not shown from a foreign library
    EXPECT_EQ(notes.at(0).toObject().value(QStringLiteral("id")).toString(), live.id);

    // Picking the recordings folder itself reads the same library.
    const CliResult exported = run({QStringLiteral("export"), live.id, QStringLiteral("--transcript"), QStringLiteral("--library"),
                                    foreign.filePath(QStringLiteral("recordings"))});
    EXPECT_EQ(exported.out, QByteArray("Old meeting\n\n[00:00] Ann\nhello\n"));
    EXPECT_EQ(run({QStringLiteral("star"), live.id}).status, 1); // not in the home library

    const CliResult copied = run({QStringLiteral("copy"), QStringLiteral("--library"), foreign.path(), live.id});
    ASSERT_EQ(copied.status, 0) << copied.errText().toStdString();
    const QString copyID = copied.outText().trimmed();
    EXPECT_NE(copyID, live.id);
    const QJsonObject copy = storedNote(copyID);
    EXPECT_EQ(copy.value(QStringLiteral("title")).toString(), QStringLiteral("Old meeting"));
    EXPECT_EQ(copy.value(QStringLiteral("summaryTemplate")).toString(), QStringLiteral("meeting"));
    EXPECT_FALSE(copy.value(QStringLiteral("starred")).toBool());
    EXPECT_EQ(copy.value(QStringLiteral("status")).toString(), QStringLiteral("transcribed"));

    EXPECT_EQ(snapshot(foreign.path()), before);
}

TEST_F(CliTest, KeyIsReadFromStandardInputAndChecked)
{
    RUN_IN_PRIVATE_KEYRING();
    auto lookup = [] {
        QProcess secretTool;
        secretTool.start(QStringLiteral("secret-tool"),
                         {QStringLiteral("lookup"), QStringLiteral("service"), QStringLiteral("local.hushnote.native-preview.api-keys"),
                          QStringLiteral("account"), QStringLiteral("openai")});
        secretTool.waitForFinished(60000);
        return secretTool.readAllStandardOutput().trimmed();
    };

    const CliResult saved = run({QStringLiteral("key"), QStringLiteral("set"), QStringLiteral("openai")}, "  sk-cli-test \n");
    ASSERT_EQ(saved.status, 0) << saved.errText().toStdString();
    EXPECT_EQ(lookup(), QByteArray("sk-cli-test"));
    EXPECT_FALSE(saved.errText().contains(QStringLiteral("sk-cli-test")));

    const CliResult blank = run({QStringLiteral("key"), QStringLiteral("set"), QStringLiteral("openai")}, " \n");
    EXPECT_EQ(blank.status, 1);
    EXPECT_TRUE(blank.errText().contains(QStringLiteral("请填写 API Key。")));
    EXPECT_EQ(lookup(), QByteArray("sk-cli-test"));

    EXPECT_EQ(run({QStringLiteral("key"), QStringLiteral("remove"), QStringLiteral("openai")}).status, 0);
    EXPECT_TRUE(lookup().isEmpty());
    // Without a key the check fails before any request is made.
    const CliResult check = run({QStringLiteral("key"), QStringLiteral("check"), QStringLiteral("openai")});
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(check.errText().contains(QStringLiteral("请填写 API Key。")));
}

TEST_F(CliTest, SummaryThroughLocalOllamaInTheStoredLanguageAndAnInterruptKeepsIt)
{
    TestSupport::FakeOllamaServer ollama;
    ollama.setInstalledModels({QStringLiteral("llama3")});
    ollama.setShow();
    ollama.enqueueChat(QStringLiteral("## 纪要\n- 发布"));
    ollama.enqueueAnswer("chat", TestSupport::CannedResponse::neverAnswer());
    // Applied from a file, with English as the interface language: every message follows it.
    configureModels({{QStringLiteral("summaryService"), QStringLiteral("ollama")},
                     {QStringLiteral("ollamaURL"), ollama.baseURL()},
                     {QStringLiteral("ollamaModel"), QStringLiteral("llama3")}},
                    QStringLiteral("en"));
    EXPECT_TRUE(QFileInfo::exists(m_home.filePath(QStringLiteral("data/Hushnote/configuration.json"))));

    Recording draft;
    draft.title = QStringLiteral("Standup");
    draft.duration = 30;
    draft.completedChunks = 1;
    draft.segments = {segment(0, 30, QStringLiteral("we ship friday"))};
    const Recording note = writeNote(homeLibrary(), draft);

    const CliResult result = run({QStringLiteral("summarize"), note.id, QStringLiteral("--template"), QStringLiteral("meeting")});
    ASSERT_EQ(result.status, 0) << result.errText().toStdString();
    EXPECT_TRUE(result.errText().contains(QStringLiteral("The summary is ready.")));
    // Without a terminal the progress comes as plain lines, ending with the finished state.
    EXPECT_TRUE(result.errText().contains(QStringLiteral("100% Done"))) << result.errText().toStdString();
    QJsonObject stored = storedNote(note.id);
    EXPECT_EQ(stored.value(QStringLiteral("summary")).toString(), QStringLiteral("## 纪要\n- 发布"));
    EXPECT_EQ(stored.value(QStringLiteral("status")).toString(), QStringLiteral("done"));
    EXPECT_EQ(stored.value(QStringLiteral("summaryTemplate")).toString(), QStringLiteral("meeting"));
    const auto chats = ollama.requestsTo("chat");
    ASSERT_EQ(chats.size(), 1u);
    const QJsonArray messages = chats.front().json().value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.at(1).toObject().value(QStringLiteral("content")).toString(), QStringLiteral("[00:00] ：we ship friday"));

    // Ctrl-C while the next summary is being written: exit 130, the saved summary stays.
    QProcess process;
    start(process, {QStringLiteral("summarize"), note.id});
    process.closeWriteChannel();
    for (int i = 0; i < 1800 && ollama.requestCount("/api/chat") < 2 && process.state() == QProcess::Running; ++i)
        process.waitForFinished(100);
    ASSERT_EQ(ollama.requestCount("/api/chat"), 2u) << process.readAllStandardError().toStdString();
    ::kill(pid_t(process.processId()), SIGINT);
    EXPECT_TRUE(process.waitForFinished(180000));
    ollama.releaseHeld();
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(
        QStringLiteral("The task on this computer was stopped. Earlier results were kept.")));
    stored = storedNote(note.id);
    EXPECT_EQ(stored.value(QStringLiteral("summary")).toString(), QStringLiteral("## 纪要\n- 发布"));
    EXPECT_EQ(stored.value(QStringLiteral("status")).toString(), QStringLiteral("paused"));
}

TEST_F(CliTest, KilledImportsLeaveNothingBehindAndARunningOneIsKept)
{
    // Large enough that copying and flushing it takes a while; sparse, so cheap to make.
    const QString audio = AudioFixtures::silentWavOfSize(150 * 1024 * 1024);
    const QString recordings = homeLibrary() + QStringLiteral("/recordings");
    const auto importFolders = [&] {
        return QDir(recordings).entryList({QStringLiteral(".import-*")}, QDir::Dirs | QDir::Hidden);
    };
    // Starts an import; with a wait, returns once it has a new folder holding the given number of
    // files (false: the import ended first).
    const auto startImport = [&](QProcess &process, int filesToWaitFor) {
        const QStringList before = importFolders();
        start(process, {QStringLiteral("import"), audio});
        process.closeWriteChannel();
        while (filesToWaitFor >= 0 && process.state() == QProcess::Running) {
            for (const QString &name : importFolders()) {
                if (!before.contains(name)
                    && QDir(recordings + QLatin1Char('/') + name).entryList(QDir::Files | QDir::Hidden).size() >= filesToWaitFor)
                    return true;
            }
            QThread::usleep(200);
        }
        return false;
    };

    // Killed at once, as its folder appears, and while the audio is being copied.
    qsizetype leftBehind = 0;
    for (const int delay : {-1, 0, 0, 30, 150}) {
        QProcess process;
        startImport(process, delay < 0 ? -1 : 0);
        if (delay > 0)
            QThread::msleep(delay);
        process.kill();
        EXPECT_TRUE(process.waitForFinished(180000));
        leftBehind = std::max(leftBehind, importFolders().size());
    }
    EXPECT_GT(leftBehind, 0);

    // The next home read (here another program's) reclaims them; every folder left is a whole note.
    const CliResult listed = run({QStringLiteral("list"), QStringLiteral("--json")});
    ASSERT_EQ(listed.status, 0) << listed.errText().toStdString();
    EXPECT_TRUE(importFolders().isEmpty());
    QStringList ids;
    for (const QJsonValue &note : QJsonDocument::fromJson(listed.out).array())
        ids << note.toObject().value(QStringLiteral("id")).toString();
    ids.sort();
    EXPECT_EQ(ids, QDir(recordings).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name));

    // An import that is still running (stopped for the moment) keeps its folder through another
    // program's read, and then finishes.
    QProcess running;
    ASSERT_TRUE(startImport(running, 1));
    ::kill(pid_t(running.processId()), SIGSTOP);
    const QStringList held = importFolders();
    EXPECT_EQ(run({QStringLiteral("list")}).status, 0);
    EXPECT_EQ(importFolders(), held);
    ::kill(pid_t(running.processId()), SIGCONT);
    EXPECT_TRUE(running.waitForFinished(180000));
    EXPECT_EQ(running.exitCode(), 0) << running.readAllStandardError().toStdString();
    EXPECT_TRUE(importFolders().isEmpty());
    EXPECT_EQ(QJsonDocument::fromJson(run({QStringLiteral("list"), QStringLiteral("--json")}).out).array().size(),
              ids.size() + 1);
}

TEST_F(CliTest, CloudJobWithoutTerminalOrFlagSendsNothing)
{
    // The stored defaults send transcription to DashScope and summaries to DeepSeek.
    Recording fresh;
    fresh.title = QStringLiteral("Private");
    fresh.duration = 2;
    const Recording untranscribed = writeNote(homeLibrary(), fresh);
    Recording done = fresh;
    done.id.clear();
    done.completedChunks = 1;
    done.segments = {segment(0, 2, QStringLiteral("secret plans"))};
    done = writeNote(homeLibrary(), done);
    const auto before = snapshot(homeLibrary());

    for (const QStringList &arguments : {QStringList{QStringLiteral("transcribe"), untranscribed.id},
                                         QStringList{QStringLiteral("summarize"), done.id}}) {
        const CliResult result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.errText().contains(QStringLiteral("--allow-cloud"))) << result.errText().toStdString();
    }
    EXPECT_EQ(snapshot(homeLibrary()), before);

    // Finished work is reported as such without asking anything.
    const CliResult again = run({QStringLiteral("transcribe"), done.id});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(again.errText().contains(QStringLiteral("转写已经完成，可直接生成纪要。")));
}

TEST_F(CliTest, AModelOfOnesOwnIsAddedUsedAndTranscribesThroughTheRealHelper)
{
    if (GeneratedWhisper::helper().isEmpty())
        GTEST_SKIP() << GeneratedWhisper::skipReason().toStdString();
    const QString models = m_home.filePath(QStringLiteral("data/Hushnote/models"));
    // A file the helper cannot load is refused with its reason, and nothing of it is kept.
    const QString junk = m_home.filePath(QStringLiteral("ggml-junk.bin"));
    QFile bad(junk);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'x'));
    bad.close();
    const CliResult refused = run({QStringLiteral("model"), QStringLiteral("add"), junk});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.errText().contains(QStringLiteral("模型文件无法加载："))) << refused.errText().toStdString();
    EXPECT_TRUE(QDir(models).entryList(QDir::Files | QDir::Hidden).isEmpty());

    const CliResult added = run({QStringLiteral("model"), QStringLiteral("add"), GeneratedWhisper::modelFile(),
                                 QStringLiteral("--name"), QStringLiteral("My Chinese")});
    ASSERT_EQ(added.status, 0) << added.errText().toStdString();
    EXPECT_EQ(added.outText(), QStringLiteral("my-chinese\n"));
    const CliResult second = run({QStringLiteral("model"), QStringLiteral("add"), GeneratedWhisper::modelFile()});
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(second.outText(), QStringLiteral("generated-model\n"));
    const CliResult used = run({QStringLiteral("model"), QStringLiteral("use"), QStringLiteral("my-chinese")});
    ASSERT_EQ(used.status, 0) << used.errText().toStdString();
    const CliResult listed = run({QStringLiteral("model"), QStringLiteral("list")});
    EXPECT_TRUE(listed.outText().contains(QStringLiteral("my-chinese\t*\tadded\tMy Chinese\n"))) << listed.outText().toStdString();
    // The configuration file names the added model and accepts it back.
    const CliResult shown = run({QStringLiteral("config"), QStringLiteral("show")});
    EXPECT_TRUE(shown.outText().contains(QStringLiteral("\"localASRModel\": \"my-chinese\""))) << shown.outText().toStdString();
    EXPECT_TRUE(shown.outText().contains(QStringLiteral("\"asrService\": \"whisper\"")));
    EXPECT_EQ(run({QStringLiteral("config"), QStringLiteral("apply"), QStringLiteral("-")}, shown.out).status, 0);

    // A model in use stays; another added one goes.
    EXPECT_EQ(run({QStringLiteral("model"), QStringLiteral("remove"), QStringLiteral("my-chinese")}).status, 1);
    EXPECT_EQ(run({QStringLiteral("model"), QStringLiteral("remove"), QStringLiteral("tiny")}).status, 1);
    EXPECT_EQ(run({QStringLiteral("model"), QStringLiteral("remove"), QStringLiteral("generated-model")}).status, 0);
    EXPECT_FALSE(QFile::exists(models + QStringLiteral("/ggml-generated-model.bin")));

    const CliResult imported = run({QStringLiteral("import"), AudioFixtures::speech(QStringLiteral("wav"))});
    ASSERT_EQ(imported.status, 0);
    const QString id = imported.outText().trimmed();
    const CliResult transcribed = run({QStringLiteral("transcribe"), id});
    ASSERT_EQ(transcribed.status, 0) << transcribed.errText().toStdString();
    const QJsonObject note = storedNote(id);
    EXPECT_EQ(note.value(QStringLiteral("completedChunks")).toInt(), 1);
    EXPECT_TRUE(note.value(QStringLiteral("spokenLanguage")).isString());
    const QJsonArray segments = note.value(QStringLiteral("segments")).toArray();
    ASSERT_FALSE(segments.isEmpty());
    for (const QJsonValue &segment : segments)
        EXPECT_LE(segment[QStringLiteral("end")].toDouble(), note.value(QStringLiteral("duration")).toDouble());
}

TEST_F(CliTest, OwnServerWorksThroughSeveralNotesAndAKilledQueueResumes)
{
    RUN_IN_PRIVATE_KEYRING();
    TestSupport::FakeProviderServer server{"/own/v1"};
    const QJsonArray segments{QJsonObject{{"start", 0.0}, {"end", 4.0}, {"text", "第一句"}},
                              QJsonObject{{"start", 4.0}, {"end", 8.5}, {"text", "第二句"}}};
    const auto transcript = TestSupport::CannedResponse::json(QJsonObject{{"text", "第一句第二句"}, {"segments", segments}});
    // The first two uploads are held until both are in flight and then answered; every later one
    // gets no answer, and the program is killed.
    server.enqueueAnswer("audio/transcriptions", TestSupport::CannedResponse::heldUntilReleased(transcript));
    server.enqueueAnswer("audio/transcriptions", TestSupport::CannedResponse::heldUntilReleased(transcript));
    server.setStandingAnswer("audio/transcriptions", TestSupport::CannedResponse::neverAnswer());
    server.setStandingAnswer("chat/completions", TestSupport::CannedResponse::json(
                                                     TestSupport::FakeProviderServer::completion(QStringLiteral("## 纪要"))));
    configureModels({{"asrService", "custom"}, {"customASRURL", server.baseURL()}, {"customASRModel", "large-v3"},
                     {"summaryService", "custom"}, {"customSummaryURL", server.baseURL()},
                     {"customSummaryModel", "llama3.1"}},
                    QStringLiteral("zh-Hans"));

    const QString audio = AudioFixtures::tone(QStringLiteral("wav"), 70, 16000, 1);
    const CliResult imported = run({QStringLiteral("import"), audio, audio, audio});
    ASSERT_EQ(imported.status, 0) << imported.errText().toStdString();
    const QStringList ids = QString::fromUtf8(imported.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(ids.size(), 3);
    auto savedChunks = [&] {
        int total = 0;
        for (const QString &id : ids)
            total += storedNote(id).value(QStringLiteral("completedChunks")).toInt();
        return total;
    };

    QProcess process;
    start(process, QStringList{QStringLiteral("transcribe")} + ids + QStringList{QStringLiteral("--summarize")});
    process.closeWriteChannel();
    auto waitWhileRunning = [&](const std::function<bool()> &done) {
        while (!done() && process.state() == QProcess::Running)
            process.waitForFinished(100);
    };
    // Two notes at once (the default): both first chunks in flight together; once answered, both
    // are saved and both second chunks are in flight.
    waitWhileRunning([&] { return server.heldCount() == 2; });
    ASSERT_EQ(server.heldCount(), 2u) << process.readAllStandardError().toStdString();
    server.releaseHeld();
    waitWhileRunning([&] { return savedChunks() == 2 && server.heldCount() == 2; });
    ASSERT_EQ(savedChunks(), 2) << process.readAllStandardError().toStdString();
    ASSERT_EQ(server.heldCount(), 2u);
    ::kill(pid_t(process.processId()), SIGKILL);
    EXPECT_TRUE(process.waitForFinished(180000));

    const CliResult shown = run({QStringLiteral("queue")});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(QString::fromUtf8(shown.out).count(QStringLiteral("\trunning\t1/2\t")), 2) << shown.out.toStdString();
    EXPECT_TRUE(shown.out.contains((ids[2] + QStringLiteral("\twaiting\t0/2")).toUtf8()));

    server.setStandingAnswer("audio/transcriptions", transcript);
    server.releaseHeld();
    const CliResult resumed = run({QStringLiteral("queue"), QStringLiteral("resume")});
    ASSERT_EQ(resumed.status, 0) << resumed.errText().toStdString();
    for (const QString &id : ids) {
        const QJsonObject note = storedNote(id);
        EXPECT_EQ(note.value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        EXPECT_EQ(note.value(QStringLiteral("summary")).toString(), QStringLiteral("## 纪要"));
        const QJsonArray stored = note.value(QStringLiteral("segments")).toArray();
        ASSERT_EQ(stored.size(), 4);
        EXPECT_EQ(stored.at(2).toObject().value(QStringLiteral("start")).toDouble(), 60.0);
        EXPECT_EQ(stored.at(3).toObject().value(QStringLiteral("end")).toDouble(), 68.5);
    }
    // Nothing saved before the kill was asked for again: 2 + 2 in flight, then the 4 missing.
    const auto uploads = server.requestsTo("audio/transcriptions");
    EXPECT_EQ(uploads.size(), 8u);
    EXPECT_EQ(server.requestsTo("chat/completions").size(), 3u);
    for (const auto &upload : uploads) {
        EXPECT_EQ(upload.path, "/own/v1/audio/transcriptions");
        EXPECT_FALSE(upload.hasHeader("Authorization"));
        EXPECT_TRUE(upload.bodyBytes().contains("name=\"model\"\r\n\r\nlarge-v3\r\n"));
    }
    EXPECT_EQ(server.requestsTo("chat/completions").front().json().value(QStringLiteral("model")).toString(),
              QStringLiteral("llama3.1"));
    EXPECT_TRUE(run({QStringLiteral("queue")}).out.contains((ids[0] + QStringLiteral("\tdone\t2/2")).toUtf8()));
}

} // namespace

// On a full disk every command that changes the library or the settings fails with the disk's
// message and exit status 1, and leaves every file byte for byte as it was; an export leaves no
// cut-off file under the chosen name. With room again the same command works.
TEST_F(CliTest, OnAFullDiskEveryChangeFailsAndChangesNothing)
{
    const QString why = mountSmallFileSystem(m_home.path(), 16);
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Recording draft;
    draft.title = QStringLiteral("满盘");
    draft.segments = {segment(0, 1.5, QStringLiteral("你好"))};
    draft.summary = QStringLiteral("# 纪要");
    const Recording note = writeNote(homeLibrary(), draft);
    ASSERT_EQ(run({QStringLiteral("star"), note.id}).status, 0); // a note with a backup
    const CliResult project = run({QStringLiteral("project"), QStringLiteral("create"), QStringLiteral("Work")});
    ASSERT_EQ(project.status, 0) << project.errText().toStdString();
    const QString projectID = project.outText().trimmed();
    configureModels({}, QStringLiteral("zh-Hans"));
    QTemporaryDir elsewhere;
    const QString edit = elsewhere.filePath(QStringLiteral("configuration.json"));
    {
        QFile file(edit);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QJsonObject document = QJsonDocument::fromJson(run({QStringLiteral("config"), QStringLiteral("show")}).out).object();
        document.insert(QStringLiteral("language"), QStringLiteral("en"));
        file.write(QJsonDocument(document).toJson());
    }

    fillUp(m_home.path());
    const QMap<QString, QByteArray> before = snapshot(m_home.path());
    const QList<QStringList> commands = {
        {QStringLiteral("unstar"), note.id},
        {QStringLiteral("edit"), note.id, QStringLiteral("--title"), QStringLiteral("新标题")},
        {QStringLiteral("move"), note.id, QStringLiteral("work")},
        {QStringLiteral("trash"), note.id},
        {QStringLiteral("project"), QStringLiteral("create"), QStringLiteral("Other")},
        {QStringLiteral("project"), QStringLiteral("rename"), projectID, QStringLiteral("Renamed")},
        {QStringLiteral("config"), QStringLiteral("apply"), edit},
        {QStringLiteral("export"), note.id, QStringLiteral("--summary"), QStringLiteral("-o"), m_home.filePath(QStringLiteral("minutes.md"))},
    };
    for (const QStringList &command : commands) {
        SCOPED_TRACE(command.join(QLatin1Char(' ')).toStdString());
        const CliResult result = run(command);
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(result.errText().contains(QStringLiteral("磁盘空间不足"))) << result.errText().toStdString();
        EXPECT_EQ(snapshot(m_home.path()), before);
    }
    // A result sent to standard output, where that is a file on the full disk.
    QProcess exporting;
    exporting.setStandardOutputFile(m_home.filePath(QStringLiteral("out.txt")));
    start(exporting, {QStringLiteral("export"), note.id, QStringLiteral("--transcript")});
    ASSERT_TRUE(exporting.waitForFinished(180000));
    EXPECT_EQ(exporting.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(exporting.readAllStandardError()).contains(QStringLiteral("磁盘空间不足")));
    ASSERT_TRUE(QFile::remove(m_home.filePath(QStringLiteral("out.txt"))));

    ASSERT_TRUE(QFile::remove(m_home.filePath(QStringLiteral("filler"))));
    EXPECT_EQ(run({QStringLiteral("edit"), note.id, QStringLiteral("--title"), QStringLiteral("新标题")}).status, 0);
    EXPECT_EQ(storedNote(note.id).value(QStringLiteral("title")).toString(), QStringLiteral("新标题"));
    EXPECT_TRUE(storedNote(note.id).value(QStringLiteral("starred")).toBool());
    ::umount2(QFile::encodeName(m_home.path()).constData(), MNT_DETACH);
}

// The bash completion, sourced into a real bash and driven the way bash drives it, against the
// built program and notes in the home library.
TEST_F(CliTest, BashCompletionOffersCommandsOptionsAndNoteIds)
{
    Recording live;
    live.title = QStringLiteral("Live");
    live = writeNote(homeLibrary(), live, false);
    Recording trashed;
    trashed.title = QStringLiteral("Trashed");
    trashed.deletedAt = QStringLiteral("2026-03-02T08:00:00Z");
    trashed = writeNote(homeLibrary(), trashed, false);

    const QString program = QStringLiteral(HUSHNOTE_BIN_DIR "/hushnote-cli");
    // Each line of input is one command line being completed at its last word.
    const QStringList lines = {QStringLiteral("pro"), QStringLiteral("show ''"), QStringLiteral("restore ''"),
                               QStringLiteral("key ''"), QStringLiteral("export X --f"),
                               QStringLiteral("export X --format ''"), QStringLiteral("help mod")};
    QString script = QStringLiteral("source '" HUSHNOTE_SOURCE_DIR "/resources/completion/hushnote-cli'\n"
                                    "offer() { COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); COMPREPLY=();"
                                    " _hushnote_cli; printf '%s\\n' \"${COMPREPLY[@]}\" | sort | paste -sd ' '; }\n");
    for (const QString &line : lines)
        script += QStringLiteral("offer '%1' %2\n").arg(program, line);
    QProcess bash;
    bash.setProcessEnvironment(environment());
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    ASSERT_TRUE(bash.waitForFinished(180000));
    ASSERT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
    const QStringList offered = QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'));
    ASSERT_GE(offered.size(), lines.size());
    EXPECT_EQ(offered[0], QStringLiteral("project projects"));
    EXPECT_EQ(offered[1], live.id);
    EXPECT_EQ(offered[2], trashed.id);
    EXPECT_EQ(offered[3], QStringLiteral("check remove set"));
    EXPECT_EQ(offered[4], QStringLiteral("--format"));
    EXPECT_EQ(offered[5], QStringLiteral("md srt txt vtt"));
    EXPECT_EQ(offered[6], QStringLiteral("model"));
}
