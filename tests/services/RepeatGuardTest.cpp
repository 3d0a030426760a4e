#include "services/RepeatGuard.h"

#include <gtest/gtest.h>

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
