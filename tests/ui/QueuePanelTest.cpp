#include "../workspace/WorkspaceFixture.h"

#include "platform/Preferences.h"
#include "processing/ProcessingQueue.h"
#include "services/ModelConfiguration.h"
#include "QueueController.h"
#include "QueuePanelModel.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>

// The queue panel over a real queue file that another writer (the command line) changes, and the
// window's controller adding notes to it; the notes are real notes of a library in the same folder.
class QueuePanelTest : public WorkspaceFixture {
protected:
    QString file = m_dir.path() + QStringLiteral("/queue.json");
    ProcessingQueue other{file}; // the second writer
    QString first, second;

    void SetUp() override
    {
        Preferences::shared().remove(ModelConfiguration::preferencesKey);
        Recording note = LibraryFixture::note(LibraryFixture::newID(), QStringLiteral("2026-03-02T08:00:00Z"));
        note.title = QStringLiteral("<b>Interview</b>");
        note.duration = 754; // 13 chunks
        note.completedChunks = 3;
        LibraryFixture::putNote(root, note);
        first = note.id;
        second = LibraryFixture::newID();
        LibraryFixture::putNote(root, LibraryFixture::note(second));
        start();
    }

    QVariant cell(const QueuePanelModel &model, int row, int role) const { return model.index(row, 0).data(role); }
};

TEST_F(QueuePanelTest, FollowsAnotherWriterAndStopsThroughTheFile)
{
    other.update([&](QueueContents &contents) {
        contents.items = {QueueItem{first, true, QueueItem::running, {}}, QueueItem{second, false, QueueItem::waiting, {}}};
    });
    QueuePanelModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setWorkspace(workspace.get());
    model.setQueueFile(file);
    ASSERT_EQ(model.count(), 2);
    EXPECT_EQ(cell(model, 0, QueuePanelModel::TitleRole).toString(), QStringLiteral("<b>Interview</b>"));
    EXPECT_EQ(cell(model, 0, QueuePanelModel::ChunkTextRole).toString(), QStringLiteral("3 / 13"));
    EXPECT_EQ(cell(model, 0, QueuePanelModel::StateTextRole).toString(), QStringLiteral("处理中"));
    EXPECT_EQ(model.chipText(), QStringLiteral("处理队列 0 / 2"));
    EXPECT_TRUE(model.canStopAll());

    // The other program finishes a note and fails the next: the panel sees it by itself.
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    other.update([&](QueueContents &contents) {
        contents.items[0].state = QueueItem::done;
        contents.items[1].state = QueueItem::failed;
        contents.items[1].message = QStringLiteral("模型服务请求失败");
    });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return model.unfinishedCount() == 0; }));
    EXPECT_EQ(cell(model, 1, QueuePanelModel::MessageRole).toString(), QStringLiteral("模型服务请求失败"));
    EXPECT_FALSE(cell(model, 1, QueuePanelModel::CanStopRole).toBool());
    EXPECT_EQ(model.chipText(), QStringLiteral("处理队列 2 / 2"));
    EXPECT_EQ(resets.count(), 0);

    // Stops are written where the runner reads them: one note, then the whole queue.
    other.update([&](QueueContents &contents) {
        contents.items[0].state = QueueItem::running;
        contents.items[1].state = QueueItem::waiting;
    });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return model.unfinishedCount() == 2; }));
    model.stop(second);
    EXPECT_EQ(other.read().items[1].state, QueueItem::stopped);
    EXPECT_EQ(other.read().items[0].state, QueueItem::running);
    model.stopAll();
    EXPECT_TRUE(other.read().stopRequested);
    EXPECT_FALSE(model.canStopAll());
    EXPECT_EQ(model.statusText(), QStringLiteral("处理队列已停止。"));

    // A file that is not a queue shows an empty panel.
    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("{\"version\": 7}");
    broken.close();
    model.reload();
    EXPECT_EQ(model.count(), 0);
}

TEST_F(QueuePanelTest, ConsentIsAskedOnceForAllNotesAndDecliningLeavesNoTrace)
{
    // The default transcription service is a cloud one.
    QueueController controller(*library, prompts, *workspace, ProcessingQueue(file));
    QueuePanelModel model;
    model.setController(&controller);
    prompts.cloudAnswer = false;
    controller.enqueue({first, second}, false);
    ASSERT_TRUE(TestSupport::waitUntil([&] { return prompts.cloudAsked == 1 && !controller.running(); }));
    EXPECT_TRUE(prompts.cloudInformative.contains(QStringLiteral("这 2 条笔记"))) << prompts.cloudInformative.toStdString();
    EXPECT_TRUE(other.read().items.empty());
    EXPECT_EQ(model.count(), 0);
    EXPECT_EQ(prompts.cloudAsked, 1);
}

TEST_F(QueuePanelTest, TheWindowWorksThroughTheQueueMarkingEachFailureAndGoingOn)
{
    // A server on this computer needs no consent; the notes' audio is missing, so each note fails
    // with its own message and the queue goes on to the next.
    ModelConfiguration configuration;
    configuration.asrService = QStringLiteral("custom");
    configuration.customASRURL = QStringLiteral("http://127.0.0.1:9/v1");
    configuration.customASRModel = QStringLiteral("large-v3");
    configuration.save();
    QueueController controller(*library, prompts, *workspace, ProcessingQueue(file));
    QueuePanelModel model;
    model.setWorkspace(workspace.get());
    model.setController(&controller);
    QSignalSpy running(&controller, &QueueController::runningChanged);
    controller.enqueue({first, second}, false);
    ASSERT_TRUE(TestSupport::waitUntil([&] { return running.count() == 2 && !controller.running(); }));
    EXPECT_EQ(prompts.cloudAsked, 0);
    const QueueContents saved = other.read();
    ASSERT_EQ(saved.items.size(), 2u);
    for (const QueueItem &item : saved.items) {
        EXPECT_EQ(item.state, QueueItem::failed);
        EXPECT_FALSE(item.message.isEmpty());
    }
    ASSERT_TRUE(TestSupport::waitUntil([&] { return model.unfinishedCount() == 0 && model.count() == 2; }));
    EXPECT_FALSE(model.canResume());
    EXPECT_EQ(stored(first).completedChunks, 3);
}
