#include "../workspace/WorkspaceFixture.h"

#include "models/NoteListModel.h"
#include "models/NoteSelection.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

// The marking rules of the note list over a real library of five notes (newest first: a b c d e),
// as the rows of the list see them.
class NoteSelectionTest : public WorkspaceFixture {
protected:
    QStringList ids; // list order
    NoteSelection selection;
    NoteListModel model;

    void SetUp() override
    {
        for (int day = 5; day >= 1; --day) {
            Recording note = LibraryFixture::note(LibraryFixture::newID(), QStringLiteral("2026-03-0%1T08:00:00Z").arg(day));
            note.title = QStringList{"echo", "delta", "charlie", "bravo", "alpha"}[day - 1];
            LibraryFixture::putNote(root, note);
            ids << note.id;
        }
        start();
        selection.setWorkspace(workspace.get());
        model.setWorkspace(workspace.get());
        model.setSelection(&selection);
    }

    // The marked notes' titles in list order, the selected one in brackets.
    QString marks() const
    {
        QString out;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row, 0);
            if (!index.data(NoteListModel::MarkedRole).toBool())
                continue;
            const QString title = index.data(NoteListModel::TitleRole).toString().left(1);
            out += index.data(NoteListModel::SelectedRole).toBool() ? QStringLiteral("[%1]").arg(title) : title;
        }
        return out;
    }
};

TEST_F(NoteSelectionTest, ClicksWithAndWithoutModifiers)
{
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
    const struct {
        int note;
        int modifiers;
        QString marks;
    } clicks[] = {
        {1, 0, "[b]"},
        {3, ctrl, "b[d]"},       // Ctrl adds
        {4, shift, "d[e]"},      // Shift: the run from the last Ctrl-click, nothing else
        {0, ctrl | shift, "[a]bcde"}, // Ctrl+Shift adds the run up to a
        {0, ctrl, "[b]cde"},     // Ctrl on the selected note unmarks it; the next marked is shown
        {2, ctrl, "[b]de"},
        {4, ctrl, "[b]d"},
        {1, ctrl, "[d]"},
        {3, ctrl, "[d]"},        // the last marked note stays
        {2, 0, "[c]"},
    };
    for (const auto &click : clicks) {
        selection.click(ids[click.note], click.modifiers);
        EXPECT_EQ(marks(), click.marks) << click.note << " " << click.modifiers;
        EXPECT_EQ(workspace->selectedRecord()->title.left(1), click.marks.mid(click.marks.indexOf('[') + 1, 1));
    }
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(selection.count(), 1);
    EXPECT_FALSE(selection.several());
}

TEST_F(NoteSelectionTest, KeyboardAndSelectAll)
{
    selection.click(ids[1], Qt::NoModifier);
    selection.extend(1);
    selection.extend(1);
    EXPECT_EQ(marks(), "bc[d]");
    selection.extend(-1);
    EXPECT_EQ(marks(), "b[c]");
    selection.extend(-1);
    selection.extend(-1);
    EXPECT_EQ(marks(), "[a]b");
    selection.toggleCurrent();
    EXPECT_EQ(marks(), "[b]");
    selection.move(1);
    EXPECT_EQ(marks(), "[c]");
    selection.selectAll();
    EXPECT_EQ(marks(), "ab[c]de");
    EXPECT_EQ(selection.ids(), ids);
    EXPECT_EQ(selection.summaryText(), QStringLiteral("已选择 5 条笔记"));
    EXPECT_TRUE(selection.canProcess());
}

TEST_F(NoteSelectionTest, MarksFollowTheListAndTheTrashIsLeftOut)
{
    selection.selectAll();
    // A search keeps the marks of the notes still listed.
    workspace->setQuery(QStringLiteral("bravo"));
    EXPECT_EQ(selection.ids(), QStringList{ids[1]});
    workspace->setQuery(QString());
    EXPECT_EQ(selection.count(), 1);

    // A selection made elsewhere (an import, a scope) starts over with that note.
    selection.selectAll();
    workspace->setSelectedID(ids[4]);
    EXPECT_EQ(marks(), "[e]");

    // Notes in the trash are marked in the trash scope but never offered to the queue.
    for (const int note : {0, 2}) {
        const int before = workspace->trashCount();
        workspace->organize(ids[note], OrganizeChange::trash());
        ASSERT_TRUE(TestSupport::waitUntil([&] { return workspace->trashCount() == before + 1 && workspace->isIdle(); }));
    }
    workspace->setScope(LibraryScope::trash());
    workspace->filter();
    selection.selectAll();
    EXPECT_EQ(selection.count(), 2);
    EXPECT_EQ(selection.liveCount(), 0);
    EXPECT_FALSE(selection.canProcess());
}
