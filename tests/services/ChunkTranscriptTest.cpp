#include "services/ChunkTranscript.h"
#include "services/RepeatGuard.h"

#include <gtest/gtest.h>

TEST(WhisperOutput, ReadsTimedSegmentsAndToleratesWhatWhisperCliWrites)
{
    // As whisper-cli writes it: tab indents, only quotes and backslashes escaped, so a raw line
    // break or a broken UTF-8 byte can sit inside a string.
    const QByteArray json = "{\n\t\"result\": {\"language\": \"zh\"},\n\t\"transcription\": [\n"
                            "\t\t{\"timestamps\": {\"from\": \"00:00:00,000\", \"to\": \"00:00:02,500\"},"
                            " \"offsets\": {\"from\": 0, \"to\": 2500}, \"text\": \" \\\"你好\\\"\n世界\"},\n"
                            "\t\t{\"offsets\": {\"from\": 2500, \"to\": 2600}, \"text\": \"   \"},\n"
                            "\t\t{\"offsets\": {\"from\": \"x\", \"to\": 3000}, \"text\": \"no time\"},\n"
                            "\t\t{\"offsets\": {\"from\": 2600, \"to\": 61000}, \"text\": \" ok \xff\"}\n\t]\n}\n";
    const std::vector<TimedText> segments = WhisperOutput::parse(json);
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0], (TimedText{0, 2.5, QStringLiteral("\"你好\" 世界")}));
    EXPECT_EQ(segments[1], (TimedText{2.6, 61, QStringLiteral("ok \uFFFD")}));

    for (const QByteArray &broken : {QByteArray(), QByteArray("{\"transcription\": 3}"), QByteArray("[1, 2]"),
                                     QByteArray("{\"transcription\": [{\"offsets\": {\"from\": 0")})
        EXPECT_TRUE(WhisperOutput::parse(broken).empty()) << broken.constData();
}

TEST(RepeatGuard, FindsLoopsButNotSpeechAndCutsThemToOnce)
{
    const QString thanks = QStringLiteral("谢谢大家。");
    const struct {
        const char *what;
        QString text;
        bool loops;
        QString collapsed;
    } cases[] = {
        {"eight times", QStringLiteral("开始。") + thanks.repeated(8) + QStringLiteral("结束"), true,
         QStringLiteral("开始。谢谢大家。结束")},
        {"seven times", thanks.repeated(7), false, thanks},
        {"English with spaces", QStringLiteral(" Thank you.").repeated(9), true, QStringLiteral("Thank you.")},
        {"laughter", QStringLiteral("哈").repeated(40), false, QStringLiteral("哈").repeated(40)},
        {"digits", QStringLiteral("1,000").repeated(10), false, QStringLiteral("1,000").repeated(10)},
        {"ordinary speech", QStringLiteral("今天我们讨论预算，然后讨论人员安排。"), false,
         QStringLiteral("今天我们讨论预算，然后讨论人员安排。")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RepeatGuard::loops(c.text), c.loops);
        EXPECT_EQ(RepeatGuard::collapse(c.text), c.collapsed);
    }

    // A loop spread over segments: neighbours left with the same text become one.
    ChunkTranscript transcript;
    transcript.text = thanks.repeated(9);
    transcript.segments = {{0, 2, QStringLiteral("会议开始")}};
    for (int i = 0; i < 4; ++i)
        transcript.segments.push_back({2.0 + i, 3.0 + i, thanks + thanks});
    ASSERT_TRUE(RepeatGuard::loops(transcript));
    const ChunkTranscript cut = RepeatGuard::collapse(transcript);
    EXPECT_EQ(cut.text, thanks);
    EXPECT_EQ(cut.segments, (std::vector<TimedText>{{0, 2, QStringLiteral("会议开始")}, {2, 6, thanks}}));
    EXPECT_FALSE(RepeatGuard::loops(cut));
}
