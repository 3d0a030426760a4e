#include "library/RecordCodec.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

Recording fullNote()
{
    Recording r;
    r.id = QStringLiteral("0F6E2C1A-9B7D-4E3C-8A21-5D4C3B2A1F00");
    r.title = QStringLiteral("周会 / weekly \"sync\"");
    r.duration = 3725.25;
    r.createdAt = QStringLiteral("2026-03-01T08:15:30Z");
    r.segments = {{QStringLiteral("s1"), 0, 60, QStringLiteral("第一段 a/b é😀"), QStringLiteral("甲")},
                  {QStringLiteral("s2"), 60, 60, QStringLiteral("\uFEFF零长度"), QString()}};
    r.summary = QStringLiteral("# 纪要\n- 行动项");
    r.starred = true;
    r.deletedAt = QStringLiteral("2026-03-02T00:00:00Z");
    r.folderId = QStringLiteral("P1");
    r.storedAudioName = QStringLiteral("audio.m4a");
    r.completedChunks = 63;
    r.status = QStringLiteral("done");
    r.summaryStale = false;
    r.summaryTemplate = QStringLiteral("meeting");
    r.summaryTemplateName = QStringLiteral("会议纪要");
    r.summaryTemplateVersion = 9007199254740993LL; // not representable as a double
    return r;
}

QByteArray minimal(const QByteArray &extra)
{
    return QByteArrayLiteral(R"({"id":"A","title":"t","duration":61,"createdAt":"c","segments":[],"summary":"")")
        + extra + QByteArrayLiteral("}");
}

} // namespace

TEST(RecordCodecTest, RoundTripsEveryFieldAndWritesSortedEscapedJson)
{
    Recording note = fullNote();
    const QByteArray json = RecordCodec::encodeRecording(note);
    EXPECT_EQ(RecordCodec::decodeRecording(json), note);

    // Solidus escaped everywhere it occurs, never a bare "/", and the output is indented.
    EXPECT_TRUE(json.contains(QStringLiteral(R"(周会 \/ weekly \"sync\")").toUtf8()));
    EXPECT_FALSE(json.contains("a/b"));
    EXPECT_TRUE(json.contains("a\\/b"));
    // A text beginning with a byte order mark keeps it: Qt's reader drops it when unescaped.
    EXPECT_TRUE(json.contains("\"\\ufeff"));
    EXPECT_TRUE(json.contains('\n'));
    EXPECT_TRUE(json.contains("9007199254740993"));

    // Keys appear in sorted order at the top level.
    const QList<QByteArray> keys = {"completedChunks", "createdAt", "deletedAt", "duration", "folderId", "id",
                                    "segments", "starred", "status", "storedAudioName", "summary",
                                    "summaryStale", "summaryTemplate", "summaryTemplateName",
                                    "summaryTemplateVersion", "title"};
    qsizetype last = -1;
    for (const QByteArray &key : keys) {
        const qsizetype at = json.indexOf("\n    \"" + key + "\"");
        ASSERT_GT(at, last) << key.constData();
        last = at;
    }

    // audioURL is never stored.
    note.audioURL = QStringLiteral("/tmp/x");
    EXPECT_FALSE(RecordCodec::encodeRecording(note).contains("audioURL"));

    // Numbers JSON cannot hold are refused rather than written.
    note.duration = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(RecordCodec::encodeRecording(note), RecordFormatError);
    note = fullNote();
    note.segments[0].end = std::numeric_limits<double>::infinity();
    EXPECT_THROW(RecordCodec::encodeRecording(note), RecordFormatError);
}

TEST(RecordCodecTest, NullAndMissingOptionalsAreAbsentAndNeverWritten)
{
    const Recording read = RecordCodec::decodeRecording(
        minimal(R"(,"starred":null,"folderId":null,"completedChunks":null,"unknown":{"x":1})"));
    EXPECT_FALSE(read.starred);
    EXPECT_FALSE(read.folderId);
    EXPECT_FALSE(read.completedChunks);
    const QByteArray written = RecordCodec::encodeRecording(read);
    EXPECT_FALSE(written.contains("null"));
    EXPECT_FALSE(written.contains("starred"));
    EXPECT_FALSE(written.contains("unknown"));
    // Readers accept the unescaped solidus too.
    EXPECT_EQ(RecordCodec::decodeRecording(minimal(R"(,"folderId":"a/b\/c")")).folderId, QStringLiteral("a/b/c"));
}

TEST(RecordCodecTest, IntegralFieldsAcceptOnlyWholeNumbers)
{
    EXPECT_EQ(RecordCodec::decodeRecording(minimal(R"(,"completedChunks":2)")).completedChunks, 2);
    EXPECT_EQ(RecordCodec::decodeRecording(minimal(R"(,"completedChunks":2.0)")).completedChunks, 2);
    EXPECT_EQ(RecordCodec::decodeRecording(minimal(R"(,"summaryTemplateVersion":9223372036854775807)"))
                  .summaryTemplateVersion,
              std::numeric_limits<qint64>::max());
    for (const char *bad : {R"(,"completedChunks":3.5)", R"(,"completedChunks":"3")", R"(,"completedChunks":1e30)",
                            R"(,"summaryTemplateVersion":0.1)", R"(,"summaryTemplateVersion":true)"})
        EXPECT_THROW(RecordCodec::decodeRecording(minimal(bad)), RecordFormatError) << bad;
}

TEST(RecordCodecTest, ReadsByteOrderMarksRepeatedKeysAndEveryEscape)
{
    EXPECT_EQ(RecordCodec::decodeRecording("\xEF\xBB\xBF" + minimal("")).id, QStringLiteral("A"));
    EXPECT_EQ(RecordCodec::decodeRecording(minimal(R"(,"title":"later")")).title, QStringLiteral("later"));
    // A lone surrogate escape is kept, as Qt's own reader keeps it.
    static const char16_t expected[] = {0xD800, 0xE9, 0xD83D, 0xDE00, 0, u'/'};
    EXPECT_EQ(RecordCodec::decodeRecording(minimal(R"(,"status":"\ud800\u00e9\ud83d\ude00\u0000\/")")).status,
              QString::fromUtf16(expected, 6));
}

TEST(RecordCodecTest, RejectsWrongShapes)
{
    const QList<QByteArray> bad = {
        "",
        "[]",
        "{not json",
        R"({"title":"t","duration":1,"createdAt":"c","segments":[],"summary":""})",             // no id
        R"({"id":"A","title":"t","duration":"1","createdAt":"c","segments":[],"summary":""})",  // string duration
        R"({"id":"A","title":"t","duration":1,"createdAt":"c","segments":{},"summary":""})",   // segments object
        R"({"id":"A","title":"t","duration":1,"createdAt":"c","segments":[],"summary":null})", // required null
        R"({"id":"A","title":"t","duration":1,"createdAt":"c","summary":"",)"
        R"("segments":[{"id":"s","start":0,"end":1,"text":"x"}]})",                            // no speaker
        minimal(R"(,"starred":"yes")"),
        minimal(R"(,"deletedAt":5)"),
    };
    for (const QByteArray &json : bad)
        EXPECT_THROW(RecordCodec::decodeRecording(json), RecordFormatError) << json.constData();
}

TEST(RecordCodecTest, ProjectListIsCompactAndStrict)
{
    EXPECT_EQ(RecordCodec::encodeProjects({}), QByteArray("[]"));
    const std::vector<Project> projects = {{QStringLiteral("1"), QStringLiteral("客户 A/B")},
                                           {QStringLiteral("2"), QStringLiteral("\uFEFFTwo")}};
    const QByteArray json = RecordCodec::encodeProjects(projects);
    EXPECT_FALSE(json.contains('\n'));
    // Compact: the only space is the one inside the first name.
    EXPECT_EQ(json.count(' '), 1) << json.constData();
    EXPECT_TRUE(json.contains("客户 A\\/B"));
    EXPECT_EQ(RecordCodec::decodeProjects(json), projects);
    EXPECT_EQ(RecordCodec::decodeProjects(R"([{"id":"x","name":"n","extra":1}])").size(), 1u);

    for (const char *bad : {"{}", "[1]", R"([{"id":"x"}])", R"([{"id":1,"name":"n"}])", "[", ""})
        EXPECT_THROW(RecordCodec::decodeProjects(bad), RecordFormatError) << bad;
}
