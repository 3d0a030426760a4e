#include "../workspace/WorkspaceFixture.h"

#include "JobNotifier.h"
#include "ProcessingModel.h"
#include "platform/Preferences.h"
#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"

// The popover's rules on notes read from a real library: what each card offers for a note in each
// state, and the per-run template choice that never reaches the stored default.
class ProcessingModelTest : public WorkspaceFixture {
protected:
    void SetUp() override { Preferences::shared().remove(SummaryPreferences::preferencesKey); }

    QString put(double duration, qint64 done, const QString &summary, const QString &createdAt)
    {
        Recording recording = LibraryFixture::note(LibraryFixture::newID(), createdAt);
        recording.duration = duration;
        recording.completedChunks = done;
        recording.summary = summary;
        LibraryFixture::putNote(root, recording);
        return recording.id;
    }
};

TEST_F(ProcessingModelTest, CardsFollowTheSelectedNote)
{
    struct Case {
        double duration;
        qint64 done;
        QString summary;
        QString status, transcribe, summaryLabel;
        bool canTranscribe, done_, canSummarize;
    };
    const std::vector<Case> cases = {
        {754, 3, {}, "12:34 · 3 / 13", "继续转写", "生成纪要", true, false, false},
        {125, 0, {}, "02:05 · 0 / 3", "开始转写", "生成纪要", true, false, false},
        {125, 3, "纪要", "02:05 · 3 / 3", "继续转写", "重新生成纪要", false, true, true},
    };
    QStringList ids;
    for (int i = 0; i < int(cases.size()); ++i)
        ids << put(cases[i].duration, cases[i].done, cases[i].summary, QStringLiteral("2026-03-0%1T08:00:00Z").arg(i + 1));
    start();
    ProcessingModel model;
    model.setWorkspace(workspace.get());
    for (int i = 0; i < int(cases.size()); ++i) {
        SCOPED_TRACE(i);
        workspace->setSelectedID(ids[i]);
        const Case &c = cases[i];
        EXPECT_EQ(model.statusLine(), c.status);
        EXPECT_EQ(model.transcribeLabel(), c.transcribe);
        EXPECT_EQ(model.summaryLabel(), c.summaryLabel);
        EXPECT_EQ(model.canTranscribe(), c.canTranscribe);
        EXPECT_EQ(model.transcriptionDone(), c.done_);
        EXPECT_EQ(model.canSummarize(), c.canSummarize);
    }
    EXPECT_FALSE(model.readOnly());
    EXPECT_FALSE(model.running());
}

TEST_F(ProcessingModelTest, TemplateChoiceLastsOneOpeningForOneNoteAndNeverChangesTheDefault)
{
    SummaryPreferences stored;
    stored.templateID = QStringLiteral("interview");
    stored.enabled = true;
    stored.save();
    const QString first = put(125, 3, {}, QStringLiteral("2026-03-01T08:00:00Z"));
    const QString second = put(125, 3, {}, QStringLiteral("2026-03-02T08:00:00Z"));
    start();
    ProcessingModel model;
    model.setWorkspace(workspace.get());
    workspace->setSelectedID(first);

    const int interview = model.templateIndex();
    EXPECT_EQ(SummaryTemplate::builtins()[interview].id, QStringLiteral("interview"));
    EXPECT_TRUE(model.personalized());
    const int weekly = int(std::find_if(SummaryTemplate::builtins().begin(), SummaryTemplate::builtins().end(),
                                        [](const SummaryTemplate &t) { return t.id == QLatin1String("weekly"); })
                           - SummaryTemplate::builtins().begin());
    model.setTemplateIndex(weekly);
    EXPECT_EQ(model.generationPreferences().templateID, QStringLiteral("weekly"));
    EXPECT_TRUE(model.generationPreferences().enabled);
    EXPECT_EQ(SummaryPreferences::load().templateID, QStringLiteral("interview"));

    workspace->setSelectedID(second);
    EXPECT_EQ(model.templateIndex(), interview);
    EXPECT_EQ(model.generationPreferences(), SummaryPreferences::load());

    // Nor does it outlive the popover: opened again on the same note, it starts from the default.
    model.setTemplateIndex(weekly);
    model.reload(); // a settings change while the popover is open keeps the choice
    EXPECT_EQ(model.templateIndex(), weekly);
    model.open();
    EXPECT_EQ(model.templateIndex(), interview);
}

// A job that ends while another window has the focus is announced with the note's title and its
// outcome; one that ends in front of the person is not.
TEST_F(ProcessingModelTest, NotifiesOnlyWhenTheWindowIsInactive)
{
    const QString id = put(0.5, 0, {}, QStringLiteral("2026-03-01T08:00:00Z"));
    JobServices services;
    services.configurationProvider = [] {
        ModelConfiguration local;
        local.asrService = QStringLiteral("whisper");
        return local;
    };
    workspace = std::make_unique<Workspace>(*library, prompts, services, true);
    settle();
    workspace->setSelectedID(id);
    QStringList sent;
    JobNotifier notifier([&](const QString &title, const QString &body) { sent << title + QStringLiteral(" | ") + body; });
    notifier.setWorkspace(workspace.get());
    // The note's audio is not decodable: each run ends with an error.
    for (const bool active : {true, false}) {
        notifier.setWindowActive(active);
        workspace->startJob(false, SummaryPreferences());
        ASSERT_TRUE(TestSupport::waitUntil([&] { return !workspace->jobID() && workspace->isIdle(); }));
    }
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].startsWith(inMemory(id).title + QStringLiteral(" | ")));
    EXPECT_EQ(sent[0].section(QStringLiteral(" | "), 1), workspace->error().value_or(QStringLiteral("<none>")));
}
