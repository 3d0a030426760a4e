// The document view's rules: summary paragraphs, the transcript rows that follow playback, the
// selection wired to the player, and the note editor with its speaker rename.
#include "../workspace/WorkspaceFixture.h"

#include "document/DocumentModel.h"
#include "document/RecordDraft.h"
#include "document/SegmentListModel.h"
#include "document/SummaryParagraphs.h"
#include "shell/SelectionPlayback.h"
#include "support/FakeAudioPlayer.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using TestSupport::waitUntil;

namespace {

const QString idA = QStringLiteral("0A0A0A0A-0000-4000-8000-00000000000A");
const QString idB = QStringLiteral("0B0B0B0B-0000-4000-8000-00000000000B");

Segment seg(const QString &id, double start, double end, const QString &speaker = {}, const QString &text = QStringLiteral("x"))
{
    return Segment{id, start, end, text, speaker};
}

TEST(SummaryParagraphsTest, SplitsAtBlankLinesWithHeadingsAsPlainText)
{
    using P = SummaryParagraphs::Paragraph;
    const struct {
        QString summary;
        QList<P> paragraphs;
    } cases[] = {
        {QStringLiteral("one\nline *two*"), {P{false, QStringLiteral("one<br/>line <i>two</i>")}}},
        {QStringLiteral("## Plan\n\nbody\r\n\r\n\n\n#x"),
         {P{true, QStringLiteral("Plan")}, P{false, QStringLiteral("body")}, P{true, QStringLiteral("x")}}},
        {QStringLiteral("## <b>Plan</b>"), {P{true, QStringLiteral("<b>Plan</b>")}}},
        {QStringLiteral("text\n"), {P{false, QStringLiteral("text")}}},
        {QString(), {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SummaryParagraphs::split(c.summary), c.paragraphs) << c.summary.toStdString();
}

// The summary is often a model's words, which the recording itself may have steered: only the
// inline emphasis the reader knows becomes markup, and everything else reaches the view escaped.
TEST(SummaryParagraphsTest, OnlyKnownInlineMarkupTakesEffect)
{
    const struct {
        const char *markdown;
        const char *html;
    } cases[] = {
        {"**bold** and *em* and _em_ and `a<b>`", "<b>bold</b> and <i>em</i> and <i>em</i> and <code>a&lt;b&gt;</code>"},
        {"***both*** **a *b* c**", "<b><i>both</i></b> <b>a <i>b</i> c</b>"},
        {"<img src=\"http://127.0.0.1:8765/t.png\"><b>x</b>",
         "&lt;img src=&quot;http://127.0.0.1:8765/t.png&quot;&gt;&lt;b&gt;x&lt;/b&gt;"},
        {"![x](http://127.0.0.1:8765/s.png) after", "![x](http://127.0.0.1:8765/s.png) after"},
        {"![x][logo] and ![y]", "![x][logo] and ![y]"},
        {"[the site](http://a.example/?q=secret) and [**b**](x)", "the site and <b>b</b>"},
        {"<http://a.example/?q=1> <a@b.example>", "&lt;http://a.example/?q=1&gt; &lt;a@b.example&gt;"},
        {"&lt; &amp; \"q\"", "&amp;lt; &amp;amp; &quot;q&quot;"},
        // Not emphasis: unclosed marks, marks before a space, underscores inside words, escapes.
        {"**open and 2 * 3 * 4", "**open and 2 * 3 * 4"},
        {"snake_case_name \\*not\\*", "snake_case_name *not*"},
        {"`**not bold**` ``a`b``", "<code>**not bold**</code> <code>a`b</code>"},
        // Block syntax shows as typed; indents and runs of spaces keep their width.
        {"- ship\n2. then\n> quote\n  # not\n\tx  y", "- ship<br/>2. then<br/>&gt; quote<br/>&#160;&#160;# not<br/>"
                                                  "&#160;&#160;&#160;&#160;x &#160;y"},
        {"\n\n  lead\n\n", "&#160;&#160;lead"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SummaryParagraphs::inlineHtml(QString::fromUtf8(c.markdown)), QString::fromUtf8(c.html)) << c.markdown;
}

TEST(SegmentListModelTest, PlaybackChangesOnlyTheOldAndNewActiveRows)
{
    SegmentListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.reset({seg(QStringLiteral("a"), 0, 5), seg(QStringLiteral("b"), 5, 8, QStringLiteral("Ann")),
                 seg(QStringLiteral("c"), 10, 12, {}, QStringLiteral("Hello World"))});
    EXPECT_EQ(model.data(model.index(0), SegmentListModel::SpeakerRole).toString(), QStringLiteral("说话人"));
    EXPECT_EQ(model.data(model.index(2), SegmentListModel::TimeLabelRole).toString(), QStringLiteral("00:10"));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    auto changedRows = [&] {
        QList<int> rows;
        for (const QList<QVariant> &signal : std::as_const(changed)) {
            EXPECT_EQ(signal.at(0).toModelIndex(), signal.at(1).toModelIndex());
            rows.append(signal.at(0).toModelIndex().row());
        }
        changed.clear();
        return rows;
    };

    model.setActiveID(QStringLiteral("b"));
    EXPECT_EQ(changedRows(), QList<int>{1});
    EXPECT_TRUE(model.data(model.index(1), SegmentListModel::ActiveRole).toBool());
    model.setActiveID(QStringLiteral("b"));
    EXPECT_EQ(changedRows(), QList<int>{});
    model.setActiveID(QStringLiteral("c"));
    EXPECT_EQ(changedRows(), (QList<int>{1, 2}));
    model.setActiveID(std::nullopt); // playback ended
    EXPECT_EQ(changedRows(), QList<int>{2});
    EXPECT_EQ(model.activeRow(), -1);

    // A finished chunk appends, an edit changes one row: neither resets the list.
    model.setActiveID(QStringLiteral("c"));
    changed.clear();
    model.update({seg(QStringLiteral("a"), 0, 5), seg(QStringLiteral("b"), 5, 8, QStringLiteral("Bob")),
                  seg(QStringLiteral("c"), 10, 12, {}, QStringLiteral("Hello World")), seg(QStringLiteral("d"), 12, 14)});
    EXPECT_EQ(changedRows(), QList<int>{1});
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(model.activeRow(), 2);

    EXPECT_EQ(model.firstRowContaining(QStringLiteral(" world ")), 2);
    EXPECT_EQ(model.firstRowContaining(QStringLiteral("nowhere")), -1);
    EXPECT_EQ(model.firstRowContaining(QStringLiteral("  ")), -1);
}

Recording note(const QString &id, const QString &createdAt)
{
    Recording r = LibraryFixture::note(id, createdAt);
    r.title = QStringLiteral("Note");
    r.duration = 30;
    r.segments = {seg(QStringLiteral("s1"), 0, 10, QString(), QStringLiteral("hello")),
                  seg(QStringLiteral("s2"), 10, 20, QStringLiteral("Ann"), QStringLiteral("world")),
                  seg(QStringLiteral("s3"), 20, 30, QString(), QStringLiteral("again"))};
    r.summary = QStringLiteral("# Minutes\n\nAll *agreed*.");
    return r;
}

class DocumentWiringTest : public WorkspaceFixture {
protected:
    FakeAudioPlayerFactory factory;
    AudioController audio{factory, [](QString, int bins, std::stop_token) { return std::vector<float>(size_t(bins), 0.5f); }};

    void SetUp() override
    {
        LibraryFixture::putNote(root, note(idA, QStringLiteral("2026-03-03T08:00:00Z")));
        LibraryFixture::putNote(root, note(idB, QStringLiteral("2026-03-02T08:00:00Z")), false);
        start();
    }
};

TEST_F(DocumentWiringTest, SelectionLoadsThePlayerAndEditsReachTheTranscript)
{
    SelectionPlayback wiring;
    wiring.setWorkspace(workspace.get());
    wiring.setAudio(&audio);
    DocumentModel document;
    document.setWorkspace(workspace.get());
    document.setAudio(&audio);
    ASSERT_EQ(document.recordID(), idA);
    EXPECT_EQ(document.dateLine(), QStringLiteral("2026.03.03"));
    EXPECT_EQ(document.paragraphs().size(), 2);
    ASSERT_TRUE(waitUntil([&] { return !audio.loading(); }));
    EXPECT_TRUE(document.available());
    EXPECT_EQ(*factory.created, 1);

    // A view rebuilt for another language keeps the loaded note playing.
    document.playRow(1);
    ASSERT_TRUE(audio.isPlaying());
    SelectionPlayback rebuiltWiring;
    rebuiltWiring.setWorkspace(workspace.get());
    rebuiltWiring.setAudio(&audio);
    DocumentModel rebuilt;
    rebuilt.setWorkspace(workspace.get());
    rebuilt.setAudio(&audio);
    EXPECT_EQ(*factory.created, 1);
    EXPECT_TRUE(audio.isPlaying());
    EXPECT_EQ(rebuilt.segments()->activeRow(), 1);

    // An edit that drops the active segment: the controller re-evaluates at the play head.
    Recording edited = workspace->selectedRecord().value();
    edited.segments.erase(edited.segments.begin() + 1);
    TestSupport::runTask(workspace->saveEdits(edited));
    EXPECT_EQ(document.segments()->rowCount(), 2);
    EXPECT_FALSE(audio.activeSegmentID().has_value());
    EXPECT_TRUE(audio.isPlaying());

    // Another note without audio: the time buttons turn unavailable; nothing selected unloads.
    workspace->setSelectedID(idB);
    EXPECT_EQ(audio.recordID(), idB);
    EXPECT_FALSE(document.available());
    workspace->setSelectedID(std::nullopt);
    EXPECT_FALSE(document.hasRecord());
    EXPECT_FALSE(audio.recordID().has_value());
}

TEST_F(DocumentWiringTest, EditorRenamesSpeakersAndKeepsItsDraftWhenSavingFails)
{
    RecordDraft draft;
    draft.setWorkspace(workspace.get());
    ASSERT_TRUE(draft.beginSelected(false));
    EXPECT_EQ(draft.header(), QStringLiteral("校对逐字稿"));
    EXPECT_EQ(draft.speakerLabels(), (QStringList{QStringLiteral("未标注"), QStringLiteral("Ann")}));
    EXPECT_FALSE(draft.canApply());

    // The unlabelled speaker; a name of spaces changes nothing.
    draft.setSourceIndex(0);
    EXPECT_EQ(draft.applyLabel(), QStringLiteral("应用到 2 段"));
    draft.setNewName(QStringLiteral(" \n "));
    draft.applyRename();
    EXPECT_EQ(draft.feedback(), QStringLiteral("请输入说话人姓名。"));
    EXPECT_EQ(draft.draft().segments, workspace->selectedRecord()->segments);

    draft.setNewName(QStringLiteral("  Ann "));
    draft.applyRename();
    EXPECT_EQ(draft.feedback(), QStringLiteral("已更新 2 段；点击保存后生效。"));
    EXPECT_EQ(draft.speakerLabels(), QStringList{QStringLiteral("Ann")});
    EXPECT_EQ(draft.sourceIndex(), 0);
    EXPECT_EQ(draft.newName(), QString());
    EXPECT_EQ(draft.applyLabel(), QStringLiteral("应用到 3 段"));

    // The workspace refuses an empty title: the error stays in the editor with the draft intact.
    QSignalSpy saved(&draft, &RecordDraft::saved);
    draft.setTitle(QStringLiteral("  "));
    draft.save();
    ASSERT_TRUE(waitUntil([&] { return !draft.saving(); }));
    EXPECT_FALSE(draft.error().isEmpty());
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(draft.draft().segments[0].speaker, QStringLiteral("Ann"));

    draft.setTitle(QStringLiteral("Renamed"));
    draft.save();
    ASSERT_TRUE(waitUntil([&] { return saved.count() == 1; }));
    EXPECT_TRUE(draft.error().isEmpty());
    EXPECT_EQ(stored(idA).segments[2].speaker, QStringLiteral("Ann"));
    EXPECT_EQ(stored(idA).title, QStringLiteral("Renamed"));
}

} // namespace
