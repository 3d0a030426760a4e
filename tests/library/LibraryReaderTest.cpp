#include "LibraryFixture.h"

#include "library/LibraryReader.h"
#include "platform/Errors.h"
#include "support/TaskRunner.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <QTemporaryDir>

#include <sys/stat.h>

using namespace LibraryFixture;

namespace {

class LibraryReaderTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(root + QStringLiteral("/recordings")); }

    int skippedFor(const Recording &recording, bool managed = true)
    {
        putNote(root, recording);
        return LibraryReader::read(root, true, managed).skipped;
    }

    QTemporaryDir m_dir;
    QString root = m_dir.path();
};

} // namespace

TEST_F(LibraryReaderTest, ReadsEmptyAndMissingLibraries)
{
    const LibrarySnapshot empty = LibraryReader::read(root, true, true);
    EXPECT_TRUE(empty.recordings.empty());
    EXPECT_EQ(empty.skipped, 0);
    EXPECT_TRUE(empty.projects.empty());

    QTemporaryDir bare;
    EXPECT_THROW(LibraryReader::read(bare.path(), false, false), SystemError);
    EXPECT_THROW(LibraryReader::read(bare.path() + QStringLiteral("/nothing"), false, false), SystemError);
}

TEST_F(LibraryReaderTest, RecordingsFolderAndRootReadTheSameLibrary)
{
    const Recording a = note(newID());
    putNote(root, a);
    writeBytes(root + QStringLiteral("/projects.json"), R"([{"id":"p","name":"客户"}])");
    const LibrarySnapshot fromRoot = LibraryReader::read(root, true, true);
    ASSERT_EQ(fromRoot.recordings.size(), 1u);
    // A read told to stop before it begins reads no note and ends with Cancelled.
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(LibraryReader::read(root, true, true, stop.get_token()), Cancelled);
    EXPECT_EQ(fromRoot.projects.size(), 1u);
    EXPECT_EQ(LibraryReader::read(root + QStringLiteral("/recordings"), true, true), fromRoot);
    EXPECT_EQ(LibraryReader::read(root + QStringLiteral("/recordings/"), true, true), fromRoot);
    EXPECT_EQ(fromRoot.recordings[0].audioURL,
              root + QStringLiteral("/recordings/") + a.id + QStringLiteral("/audio.m4a"));
}

TEST_F(LibraryReaderTest, CountsBrokenNoteFoldersButNotStrayFilesOrTrash)
{
    writeBytes(root + QStringLiteral("/recordings/stray.txt"), "x");           // not counted
    QDir().mkpath(root + QStringLiteral("/recordings/.import-X"));              // hidden
    putRaw(root, QStringLiteral(".hidden"), "garbage");                          // hidden
    QDir().mkpath(root + QStringLiteral("/recordings/empty"));                  // counted: no record.json
    putRaw(root, QStringLiteral("garbage"), "{ not json");                        // counted
    Recording trashed = note(newID());
    trashed.deletedAt = QStringLiteral("2026-03-03T00:00:00Z");
    putNote(root, trashed);

    const LibrarySnapshot home = LibraryReader::read(root, true, false);
    EXPECT_EQ(home.skipped, 2);
    EXPECT_EQ(home.recordings.size(), 1u);
    const LibrarySnapshot foreign = LibraryReader::read(root, false, false);
    EXPECT_EQ(foreign.skipped, 2); // a trashed note is left out silently
    EXPECT_TRUE(foreign.recordings.empty());
}

TEST_F(LibraryReaderTest, ManagedModeRequiresTheExactUuidFolderName)
{
    const QString id = newID();
    putNote(root, note(id), true, id.toLower());
    putNote(root, note(QStringLiteral("not-a-uuid")));
    EXPECT_EQ(LibraryReader::read(root, true, true).skipped, 2);
    const LibrarySnapshot foreign = LibraryReader::read(root, true, false);
    EXPECT_EQ(foreign.skipped, 0);
    EXPECT_EQ(foreign.recordings.size(), 2u);

    // Any valid UUID text is accepted as long as the folder carries the same text.
    QTemporaryDir other;
    const QString lower = newID().toLower();
    putNote(other.path(), note(lower));
    EXPECT_EQ(LibraryReader::read(other.path(), true, true).recordings.size(), 1u);
}

TEST_F(LibraryReaderTest, AppliesNumericValidityLimits)
{
    auto with = [](auto change) {
        Recording r = note(newID());
        change(r);
        return r;
    };
    // Accepted edge values.
    EXPECT_EQ(skippedFor(with([](Recording &r) { r.duration = 0; })), 0);
    EXPECT_EQ(skippedFor(with([](Recording &r) { r.duration = 43200; })), 0);
    EXPECT_EQ(skippedFor(with([](Recording &r) { r.duration = 61; r.completedChunks = 2; })), 0);
    EXPECT_EQ(skippedFor(with([](Recording &r) {
                  r.segments = {{"a", -0.0, -0.0, "x", ""}, {"b", 3, 3, "y", ""}};
              })),
              0);
    EXPECT_EQ(LibraryReader::read(root, true, true).recordings.size(), 4u);

    // Each rejected note adds one.
    int expected = 0;
    for (auto change : std::vector<std::function<void(Recording &)>>{
             [](Recording &r) { r.duration = 43200.5; },
             [](Recording &r) { r.duration = -1; },
             [](Recording &r) { r.duration = 61; r.completedChunks = 3; },
             [](Recording &r) { r.completedChunks = -1; },
             [](Recording &r) { r.segments = {{"a", 5, 4, "x", ""}}; },
             [](Recording &r) { r.segments = {{"a", -1, 4, "x", ""}}; },
             [](Recording &r) { r.segments = {{"a", 0, 1, "x", ""}, {"a", 1, 2, "y", ""}}; },
         }) {
        EXPECT_EQ(skippedFor(with(change)), ++expected);
    }
    // A duration beyond what JSON writers produce, given as a huge literal.
    const QString id = newID();
    putRaw(root, id, QStringLiteral(R"({"id":"%1","title":"t","duration":1e400,"createdAt":"c","segments":[],"summary":""})")
                         .arg(id).toUtf8());
    EXPECT_EQ(LibraryReader::read(root, true, true).skipped, expected + 1);
}

TEST_F(LibraryReaderTest, ChecksAudioNamesAndFindsAudio)
{
    Recording missingAudio = note(newID(), QStringLiteral("2026-03-05T00:00:00Z"));
    putNote(root, missingAudio, false);
    Recording legacy = note(newID(), QStringLiteral("2026-03-04T00:00:00Z"));
    legacy.storedAudioName.reset(); // playback.mp3
    putNote(root, legacy);
    const LibrarySnapshot good = LibraryReader::read(root, true, true);
    ASSERT_EQ(good.recordings.size(), 2u);
    EXPECT_FALSE(good.recordings[0].audioURL);
    EXPECT_TRUE(good.recordings[1].audioURL->endsWith(QStringLiteral("/playback.mp3")));

    for (const QString &bad : {QStringLiteral("sub/audio.m4a"), QString(), QStringLiteral(".."),
                               QStringLiteral("."), QStringLiteral("audio\u0000.m4a")}) {
        Recording r = note(newID());
        r.storedAudioName = bad;
        putNote(root, r, false);
    }
    Recording linked = note(newID());
    const QString folder = putNote(root, linked, false);
    writeBytes(m_dir.path() + QStringLiteral("/outside.m4a"), "secret");
    link(m_dir.path() + QStringLiteral("/outside.m4a"), folder + QStringLiteral("/audio.m4a"));
    EXPECT_EQ(LibraryReader::read(root, true, true).skipped, 6);
}

TEST_F(LibraryReaderTest, FirstListedDuplicateWinsAndSortIsStable)
{
    // Foreign libraries may hold one id twice; listing order is by folder name.
    Recording first = note(QStringLiteral("dup"), QStringLiteral("2026-01-01T00:00:00Z"));
    first.title = QStringLiteral("first");
    Recording second = first;
    second.title = QStringLiteral("second");
    putNote(root, first, true, QStringLiteral("a-folder"));
    putNote(root, second, true, QStringLiteral("b-folder"));
    for (const char *name : {"c1", "c2", "c3"}) {
        Recording tie = note(QString::fromLatin1(name), QStringLiteral("2026-02-01T00:00:00Z"));
        putNote(root, tie, true, QStringLiteral("c-") + QLatin1String(name));
    }
    const LibrarySnapshot snapshot = LibraryReader::read(root, true, false);
    EXPECT_EQ(snapshot.skipped, 1);
    QStringList order;
    for (const Recording &r : snapshot.recordings)
        order << r.id + QLatin1Char(':') + r.title;
    EXPECT_EQ(order, QStringList({"c1:Note c1", "c2:Note c2", "c3:Note c3", "dup:first"}));

    // A duplicate that fails the audio-name check does not shadow the one listed after it.
    QTemporaryDir other;
    Recording broken = note(QStringLiteral("same"));
    broken.storedAudioName = QStringLiteral("a/b");
    putNote(other.path(), broken, false, QStringLiteral("1"));
    putNote(other.path(), note(QStringLiteral("same")), true, QStringLiteral("2"));
    const LibrarySnapshot shadow = LibraryReader::read(other.path(), true, false);
    EXPECT_EQ(shadow.recordings.size(), 1u);
    EXPECT_EQ(shadow.skipped, 1);
}

TEST_F(LibraryReaderTest, ReadsANoteOfExactlyTheCapAndSkipsOneByteMore)
{
    auto padded = [](const QString &id, qint64 size) {
        QByteArray json = RecordCodec::encodeRecording(note(id));
        json.chop(2); // "}\n"
        json.append(QByteArray(size - json.size() - 1, ' '));
        json.append('}');
        return json;
    };
    const QString atCap = newID();
    const QString overCap = newID();
    putRaw(root, atCap, padded(atCap, LibraryReader::maxRecordBytes));
    putRaw(root, overCap, padded(overCap, LibraryReader::maxRecordBytes + 1));
    ASSERT_EQ(QFileInfo(root + "/recordings/" + atCap + "/record.json").size(), LibraryReader::maxRecordBytes);
    const LibrarySnapshot snapshot = LibraryReader::read(root, true, true);
    ASSERT_EQ(snapshot.recordings.size(), 1u);
    EXPECT_EQ(snapshot.recordings[0].id, atCap);
    EXPECT_EQ(snapshot.skipped, 1);
}

TEST_F(LibraryReaderTest, SurvivesHostileEntries)
{
    const QString outside = m_dir.path() + QStringLiteral("/outside");
    putNote(outside, note(QStringLiteral("elsewhere")), true, QStringLiteral("n"));
    link(outside + QStringLiteral("/recordings/n"), root + QStringLiteral("/recordings/linked-folder"));
    const QString withLinkedRecord = root + QStringLiteral("/recordings/linked-record");
    QDir().mkpath(withLinkedRecord);
    link(outside + QStringLiteral("/recordings/n/record.json"), withLinkedRecord + QStringLiteral("/record.json"));
    link(outside + QStringLiteral("/recordings/n/audio.m4a"), root + QStringLiteral("/recordings/linked-file"));
    link(root + QStringLiteral("/missing"), root + QStringLiteral("/recordings/dangling"));
    const QString withFifo = root + QStringLiteral("/recordings/fifo");
    QDir().mkpath(withFifo);
    ASSERT_EQ(::mkfifo(QFile::encodeName(withFifo + QStringLiteral("/record.json")).constData(), 0600), 0);
    QDir().mkpath(root + QStringLiteral("/recordings/dir-record/record.json"));
    putRaw(root, QStringLiteral("deep"), QByteArray(100000, '[') + QByteArray(100000, ']'));

    // Linked note folder, linked record.json, FIFO, folder as record.json and the deep nesting are
    // counted; a link to a file and a dangling link are not folders and are not counted.
    const LibrarySnapshot snapshot = LibraryReader::read(root, true, false);
    EXPECT_TRUE(snapshot.recordings.empty());
    EXPECT_EQ(snapshot.skipped, 5);
}

TEST_F(LibraryReaderTest, LibraryWideProblemsFailTheRead)
{
    putNote(root, note(newID()));
    writeBytes(root + QStringLiteral("/projects.json"), R"({"id":"p"})");
    EXPECT_THROW(LibraryReader::read(root, true, true), RecordFormatError);

    QFile::remove(root + QStringLiteral("/projects.json"));
    writeBytes(m_dir.path() + QStringLiteral("/elsewhere.json"), "[]");
    link(m_dir.path() + QStringLiteral("/elsewhere.json"), root + QStringLiteral("/projects.json"));
    EXPECT_EQ(failureOf([&] { LibraryReader::read(root, true, true); }), QStringLiteral("资料库包含不安全的链接。"));

    QTemporaryDir linkedRecordings;
    link(root + QStringLiteral("/recordings"), linkedRecordings.path() + QStringLiteral("/recordings"));
    EXPECT_EQ(failureOf([&] { LibraryReader::read(linkedRecordings.path(), true, true); }),
              QStringLiteral("资料库包含不安全的链接。"));
    EXPECT_TRUE(LibraryReader::isSymbolicLink(linkedRecordings.path() + QStringLiteral("/recordings")));
    EXPECT_FALSE(LibraryReader::isSymbolicLink(root));
    EXPECT_FALSE(LibraryReader::isSymbolicLink(root + QStringLiteral("/nothing-here")));
}

TEST_F(LibraryReaderTest, ReadsFromEveryThreadOfABusyGlobalPool)
{
    // Foreign reads run on the global pool; a read that queued its parsing behind itself there
    // would wait forever once every pool thread is such a read.
    for (int i = 0; i < 8; ++i)
        putNote(root, note(newID()));
    std::vector<QFuture<size_t>> reads;
    for (int i = 0; i < QThreadPool::globalInstance()->maxThreadCount() * 2; ++i)
        reads.push_back(QtConcurrent::run([this] { return LibraryReader::read(root, true, true).recordings.size(); }));
    ASSERT_TRUE(TestSupport::waitUntil([&] {
        return std::all_of(reads.begin(), reads.end(), [](const QFuture<size_t> &f) { return f.isFinished(); });
    }));
    for (auto &read : reads)
        EXPECT_EQ(read.result(), 8u);
}
