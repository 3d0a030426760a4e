#include "library/SearchText.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace {

// The reference: ICU's full folding of the whole text at once.
QString icuFold(const QString &text)
{
    icu::UnicodeString unicode(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    unicode.foldCase(U_FOLD_CASE_DEFAULT);
    return QString(reinterpret_cast<const QChar *>(unicode.getBuffer()), unicode.length());
}

} // namespace

TEST(SearchTextTest, FoldsLikeIcuAcrossScripts)
{
    // ASCII, Latin-1 (with µ, ß, ×, ÿ), Latin Extended, Greek (final sigma), Cyrillic, full-width
    // Latin, CJK, kana, Hangul, an emoji and a supplementary capital (Deseret), in random mixes.
    const QString pieces[] = {
        QStringLiteral("Hello"), QStringLiteral("ÀÉÎÕÜ×Þ"), QStringLiteral("µßÿ"), QStringLiteral("ŉĲŸ"),
        QStringLiteral("ΣΟΦΊΑς"), QStringLiteral("ПРИВЕТ"), QStringLiteral("ＡＢＣ"), QStringLiteral("会议纪要"),
        QStringLiteral("カタカナ"), QStringLiteral("한국어"), QStringLiteral("😀"), QStringLiteral("\U00010400"),
        QStringLiteral(" \n。"), QStringLiteral("İ"), QStringLiteral("，ａｚ“…”")};
    QRandomGenerator random(7);
    for (int round = 0; round < 500; ++round) {
        QString text;
        const int count = random.bounded(1, 12);
        for (int i = 0; i < count; ++i)
            text += pieces[random.bounded(int(std::size(pieces)))];
        ASSERT_EQ(SearchText::fold(text), icuFold(text)) << text.toStdString();
        // A note's search text shares a part only where folding leaves it as it is.
        Recording note;
        note.title = text;
        ASSERT_EQ(SearchText::of(note).front(), icuFold(text)) << text.toStdString();
    }
    EXPECT_EQ(SearchText::fold(QStringLiteral("STRASSE")), SearchText::fold(QStringLiteral("Straße")));
    EXPECT_TRUE(SearchText::fold(QString()).isEmpty());
}

TEST(SearchTextTest, ContainsFindsEveryPlacement)
{
    const QString hay = QStringLiteral("aab会议aXb");
    for (const QString &needle : {QStringLiteral("aab"), QStringLiteral("ab"), QStringLiteral("会议"),
                                  QStringLiteral("b会"), QStringLiteral("Xb"), QStringLiteral("b"), QString(),
                                  hay})
        EXPECT_TRUE(SearchText::contains(hay, needle)) << needle.toStdString();
    for (const QString &needle : {QStringLiteral("aXbb"), QStringLiteral("ba"), QStringLiteral("议议"),
                                  hay + QStringLiteral("!"), QStringLiteral("x")})
        EXPECT_FALSE(SearchText::contains(hay, needle)) << needle.toStdString();
    EXPECT_FALSE(SearchText::contains(QString(), QStringLiteral("a")));

    Recording note;
    note.title = QStringLiteral("foo");
    note.summary = QStringLiteral("BAR");
    note.segments = {{"s", 0, 1, QString(), QStringLiteral("Speaker")},
                     {"t", 1, 2, QStringLiteral("Baz"), QStringLiteral("Speaker")},
                     {"u", 2, 3, QStringLiteral("会议"), QStringLiteral("Speaker")}};
    // Matches may run across parts, empty ones included; speakers are not searched.
    const SearchText::Parts text = SearchText::of(note);
    for (const char *needle : {"obarb", "rbaz会", "z会议", "foobarbaz会议", "foo"})
        EXPECT_TRUE(SearchText::contains(text, QString::fromUtf8(needle))) << needle;
    for (const char *needle : {"speaker", "议x", "oobr", "foobarbaz会议!"})
        EXPECT_FALSE(SearchText::contains(text, QString::fromUtf8(needle))) << needle;
}

// What a view marks is what the search matched: every text the search finds shows at least one
// mark, over the letters that made the match.
TEST(SearchTextTest, MatchesMarkWhatTheSearchFound)
{
    using Span = SearchText::Span;
    const auto marks = [](const QString &text, const char *query) {
        return SearchText::matches(text, SearchText::fold(QString::fromUtf8(query)));
    };
    EXPECT_EQ(marks(QStringLiteral("Die Straße ist lang"), "STRASSE"), std::vector<Span>({{4, 6}}));
    // Part of a letter that folds to two marks the letter, once.
    EXPECT_EQ(marks(QStringLiteral("Straße"), "ss"), std::vector<Span>({{4, 1}}));
    EXPECT_EQ(marks(QStringLiteral("ß"), "s"), std::vector<Span>({{0, 1}}));
    EXPECT_EQ(marks(QStringLiteral("Aa aA a"), "AA"), std::vector<Span>({{0, 2}, {3, 2}}));
    EXPECT_EQ(marks(QStringLiteral("今天开会，开会"), "开会"), std::vector<Span>({{2, 2}, {5, 2}}));
    // A letter outside the basic plane (Deseret capital and small long I) is two code units.
    EXPECT_EQ(marks(QString::fromUtf8("a\xF0\x90\x90\x80" "b"), "\xF0\x90\x90\xA8" "B"), std::vector<Span>({{1, 3}}));
    EXPECT_TRUE(marks(QStringLiteral("Straße"), "").empty());
    EXPECT_TRUE(marks(QStringLiteral("Strasze"), "straße").empty());

    for (const char *text : {"ΣΊΣΥΦΟΣ", "ǅemal", "ﬁnance", "İstanbul", "ŉ"}) {
        const QString haystack = QString::fromUtf8(text);
        const QString folded = SearchText::fold(haystack);
        EXPECT_FALSE(SearchText::matches(haystack, folded).empty()) << text;
        EXPECT_TRUE(SearchText::contains(folded, folded.mid(1))) << text;
        EXPECT_FALSE(SearchText::matches(haystack, folded.mid(1)).empty()) << text;
    }
}
