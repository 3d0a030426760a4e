#include "LibraryFixture.h"

#include "library/NoteExport.h"
#include "library/Recording.h"
#include "platform/Preferences.h"

#include <gtest/gtest.h>

namespace {

Segment segment(QString id, double start, QString text, QString speaker = {})
{
    return Segment{std::move(id), start, start + 1, std::move(text), std::move(speaker)};
}

Recording note(const QString &title)
{
    Recording recording = LibraryFixture::note(LibraryFixture::newID());
    recording.title = title;
    return recording;
}

class NoteExportTest : public ::testing::Test {
protected:
    void TearDown() override { Preferences::shared().remove(QStringLiteral("app.language")); }
};

TEST_F(NoteExportTest, TranscriptInBothFormatsHasExactBytes)
{
    Recording recording = note(QStringLiteral("Q3.plan"));
    EXPECT_EQ(NoteExport::render(recording, false, NoteExportFormat::Text), QStringLiteral("Q3.plan\n\n\n"));
    EXPECT_EQ(NoteExport::render(recording, false, NoteExportFormat::Markdown), QStringLiteral("# Q3\\.plan\n\n\n"));

    recording.segments = {segment(QStringLiteral("s1"), 75.4, QStringLiteral("Hi"), QStringLiteral("  Ann \n")),
                          segment(QStringLiteral("s2"), 3725, QStringLiteral("line one\nline *two*\r\nthree"),
                                  QStringLiteral("   ")),
                          segment(QStringLiteral("s3"), 0, QString())};
    EXPECT_EQ(NoteExport::render(recording, false, NoteExportFormat::Text),
              QStringLiteral("Q3.plan\n\n"
                             "[01:15] Ann\nHi\n\n"
                             "[1:02:05]\nline one\nline *two*\r\nthree\n\n"
                             "[00:00]\n\n"));
    EXPECT_EQ(NoteExport::render(recording, false, NoteExportFormat::Markdown),
              QStringLiteral("# Q3\\.plan\n\n"
                             "**\\[01:15\\] Ann**\n\nHi\n\n"
                             "**\\[1:02:05\\]**\n\nline one  \nline \\*two\\*  \r\nthree\n\n"
                             "**\\[00:00\\]**\n\n\n"));
}

TEST_F(NoteExportTest, EscapeMarksEveryMarkdownCharacterAndOnlyThose)
{
    EXPECT_EQ(NoteExport::escape(QStringLiteral("\\`*_{}[]<>()#+-.!|")),
              QStringLiteral("\\\\\\`\\*\\_\\{\\}\\[\\]\\<\\>\\(\\)\\#\\+\\-\\.\\!\\|"));
    EXPECT_EQ(NoteExport::escape(QStringLiteral("会议：a&b ~ \"x\" 😀")), QStringLiteral("会议：a&b ~ \"x\" 😀"));
    // A combining mark makes one character with the full stop; it is not a bare full stop.
    EXPECT_EQ(NoteExport::escape(QStringLiteral(".\u0301.")), QStringLiteral(".\u0301\\."));
}

TEST_F(NoteExportTest, FilenameIsSafeAndLocalized)
{
    EXPECT_EQ(NoteExport::filename(note(QStringLiteral("a/b:c")), false, NoteExportFormat::Text),
              QStringLiteral("a-b-c-逐字稿.txt"));
    EXPECT_EQ(NoteExport::filename(note(QStringLiteral("  x\\y\tz\u202Etxt.exe ")), true, NoteExportFormat::Text),
              QStringLiteral("x-y-z-txt.exe-纪要.txt"));
    EXPECT_EQ(NoteExport::filename(note(QStringLiteral("   ")), true, NoteExportFormat::Markdown),
              QStringLiteral("未命名笔记-纪要.md"));
    // Joiners stay: they hold emoji sequences together.
    EXPECT_EQ(NoteExport::filename(note(QStringLiteral("👩\u200D💻")), true, NoteExportFormat::Markdown),
              QStringLiteral("👩\u200D💻-纪要.md"));

    Preferences::shared().setString(QStringLiteral("app.language"), QStringLiteral("en"));
    const QString english = NoteExport::filename(note(QStringLiteral("\n")), false, NoteExportFormat::Markdown);
    EXPECT_FALSE(english.contains(QStringLiteral("逐字稿")));
    EXPECT_TRUE(english.endsWith(QStringLiteral(".md")));
}

TEST_F(NoteExportTest, LongTitlesAreCutByCharactersAndFitTheFileSystem)
{
    // 150 letters, every other one carrying a combining accent: the cut counts what the person
    // sees, not code units.
    QString accented;
    for (int i = 0; i < 75; ++i)
        accented += QStringLiteral("ae\u0301");
    const QString cut = NoteExport::filename(note(accented), false, NoteExportFormat::Text);
    EXPECT_EQ(cut, accented.left(150) + QStringLiteral("-逐字稿.txt"));

    // 150 CJK characters are 450 bytes; the name must stay within 255 bytes and end whole.
    const QString chinese(150, QChar(u'会'));
    const QString name = NoteExport::filename(note(chinese), true, NoteExportFormat::Markdown);
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_TRUE(name.endsWith(QStringLiteral("会-纪要.md")));
    EXPECT_EQ(name, QString(81, QChar(u'会')) + QStringLiteral("-纪要.md"));
}

TEST_F(NoteExportTest, SubtitlesHaveExactBytesAndSkipSegmentsWithoutText)
{
    Recording recording = note(QStringLiteral("a/b"));
    recording.segments = {
        {QStringLiteral("s1"), 1.0006, 4.5, QStringLiteral("Hi & <b>bye</b> -->"), QStringLiteral(" Ann\n")},
        {QStringLiteral("s2"), 5, 6, QStringLiteral(" \n\t"), QStringLiteral("Bob")},
        {QStringLiteral("s3"), 3725.25, 43200, QStringLiteral("one\r\n\r\n two \rthree"), QString()},
    };
    const struct {
        NoteExportFormat format;
        QString bytes;
        QString filename;
    } cases[] = {
        {NoteExportFormat::SubRip,
         QStringLiteral("1\n00:00:01,001 --> 00:00:04,500\nAnn: Hi & <b>bye</b> -->\n\n"
                        "2\n01:02:05,250 --> 12:00:00,000\none\ntwo\nthree\n"),
         QStringLiteral("a-b-逐字稿.srt")},
        {NoteExportFormat::WebVTT,
         QStringLiteral("WEBVTT\n\n00:00:01.001 --> 00:00:04.500\nAnn: Hi &amp; &lt;b&gt;bye&lt;/b&gt; --&gt;\n\n"
                        "01:02:05.250 --> 12:00:00.000\none\ntwo\nthree\n"),
         QStringLiteral("a-b-逐字稿.vtt")},
    };
    for (const auto &c : cases) {
        // Subtitles are always of the transcript, whichever tab asked.
        for (const bool summary : {false, true}) {
            EXPECT_EQ(NoteExport::render(recording, summary, c.format), c.bytes);
            EXPECT_EQ(NoteExport::filename(recording, summary, c.format), c.filename);
        }
    }
    recording.segments.clear();
    EXPECT_EQ(NoteExport::render(recording, false, NoteExportFormat::SubRip), QString());
    EXPECT_EQ(NoteExport::render(recording, false, NoteExportFormat::WebVTT), QStringLiteral("WEBVTT\n"));
}

} // namespace
