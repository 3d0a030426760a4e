#include "library/Recording.h"
#include "platform/Errors.h"
#include "processing/SummaryStage.h"
#include "processing/TranscriptParts.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <stop_token>

namespace {

struct Call {
    QString text;
    bool merging = false;
};

// Records every request and answers with a short note naming the request.
struct FakeChat {
    std::vector<Call> calls;
    std::function<QString(const QString &, bool)> answer = [](const QString &, bool merging) {
        return merging ? QStringLiteral("merged") : QStringLiteral("note");
    };

    SummaryStage::Request request()
    {
        return [this](QString text, bool merging) -> QCoro::Task<QString> {
            calls.push_back({text, merging});
            co_return answer(text, merging);
        };
    }
};

struct Seen {
    QStringList texts;
    std::vector<double> progress;

    SummaryStage::Observer observer()
    {
        return {[this](const QString &text) { texts.append(text); }, [this](double value) { progress.push_back(value); }};
    }
};

QString run(const QString &transcript, SummarySizes sizes, FakeChat &chat, Seen &seen, std::stop_token stop = {})
{
    return TestSupport::runTask(SummaryStage::run(transcript, sizes, chat.request(), seen.observer(), stop));
}

} // namespace

TEST(TranscriptParts, SplitsOnUserPerceivedCharacters)
{
    EXPECT_TRUE(TranscriptParts::split(QString(), 5).isEmpty());
    EXPECT_TRUE(TranscriptParts::split(QStringLiteral("abc"), 0).isEmpty());
    EXPECT_EQ(TranscriptParts::split(QStringLiteral("abcdef"), 3), QStringList({"abc", "def"}));
    EXPECT_EQ(TranscriptParts::split(QStringLiteral("abcdefg"), 3), QStringList({"abc", "def", "g"}));

    // A family emoji (one character of seven code points), a letter with a combining accent and a
    // character outside the basic plane each count as one.
    const QString family = QStringLiteral("👨‍👩‍👧‍👦");
    const QString accented = QStringLiteral("e\u0301");
    const QString rare = QStringLiteral("𠀀");
    const QString text = family + accented + rare + QStringLiteral("中") + family;
    EXPECT_EQ(TranscriptParts::characterCount(text), 5);
    const QStringList pieces = TranscriptParts::split(text, 2);
    EXPECT_EQ(pieces, QStringList({family + accented, rare + QStringLiteral("中"), family}));
    EXPECT_EQ(pieces.join(QString()), text);
}

TEST(TranscriptParts, RendersTimedLinesWithFullWidthColon)
{
    std::vector<Segment> segments{{"a", 0, 60, "大家好", ""}, {"b", 3725, 3760, "开始吧", "王"}};
    EXPECT_EQ(TranscriptParts::render(segments), QStringLiteral("[00:00] ：大家好\n[1:02:05] 王：开始吧"));
    EXPECT_EQ(TranscriptParts::render({}), QString());
}

TEST(SummaryStage, OnePartIsOneRequestSavedUnchanged)
{
    FakeChat chat;
    chat.answer = [](const QString &, bool) { return QStringLiteral("  # 纪要\n原样保存  "); };
    Seen seen;
    const QString summary = run(QString(20000, QLatin1Char('x')), SummarySizes::cloud(), chat, seen);
    EXPECT_EQ(summary, QStringLiteral("  # 纪要\n原样保存  "));
    ASSERT_EQ(chat.calls.size(), 1u);
    EXPECT_FALSE(chat.calls[0].merging);
    EXPECT_EQ(seen.texts, QStringList({QStringLiteral("正在整理这段对话…")}));
    EXPECT_EQ(seen.progress, std::vector<double>({1.0}));
}

TEST(SummaryStage, LocalSizesCutSixPartsAndMergeInGroups)
{
    FakeChat chat;
    // Long part notes: 6 notes of 3000 characters join to 18010, cut into three groups of 8000; the
    // three merged notes then fit one group.
    chat.answer = [](const QString &, bool merging) {
        return merging ? QString(100, QLatin1Char('m')) : QString(3000, QLatin1Char('n'));
    };
    Seen seen;
    const QString summary = run(QString(20001, QLatin1Char('x')), SummarySizes::local(), chat, seen);
    int partCalls = 0;
    for (const Call &call : chat.calls) {
        if (!call.merging) {
            ++partCalls;
            EXPECT_LE(call.text.size(), 4000);
        } else {
            EXPECT_LE(call.text.size(), 8000);
        }
    }
    EXPECT_EQ(partCalls, 6);
    EXPECT_EQ(chat.calls.size(), 6u + 3u + 1u);
    EXPECT_EQ(summary, QString(100, QLatin1Char('m')));
    EXPECT_EQ(seen.texts.count(QStringLiteral("正在合并纪要…")), 2);
    EXPECT_DOUBLE_EQ(seen.progress.back(), 6.0 / 7.0);
}

TEST(SummaryStage, StopsBeforeTheNextRequest)
{
    std::stop_source source;
    FakeChat chat;
    chat.answer = [&source](const QString &, bool) {
        source.request_stop();
        return QStringLiteral("note");
    };
    Seen seen;
    EXPECT_THROW(run(QString(50000, QLatin1Char('x')), SummarySizes::cloud(), chat, seen, source.get_token()),
                 Cancelled);
    EXPECT_EQ(chat.calls.size(), 1u);
}
