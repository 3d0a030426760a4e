#include "LibraryFixture.h"

#include "library/RecordMerge.h"

using namespace LibraryFixture;

namespace {

using Change = std::function<void(Recording &)>;

Segment seg(const QString &id, double start, const QString &text)
{
    return Segment{id, start, start + 1, text, {}};
}

} // namespace

TEST(RecordMerge, CarriesThisProgramsChangeOntoTheOtherOnesField)
{
    Recording base = note(newID());
    base.segments = {seg(QStringLiteral("a"), 0, QStringLiteral("one")), seg(QStringLiteral("b"), 1, QStringLiteral("two"))};
    const Change star = [](Recording &r) { r.starred = true; };
    const Change summary = [](Recording &r) { r.summary = QStringLiteral("minutes"); r.status = QStringLiteral("done"); };
    const Change title = [](Recording &r) { r.title = QStringLiteral("T"); };
    const Change otherTitle = [](Recording &r) { r.title = QStringLiteral("U"); };
    const Change editB = [](Recording &r) { r.segments[1].text = QStringLiteral("TWO"); };
    const Change speakerB = [](Recording &r) { r.segments[1].speaker = QStringLiteral("Li"); };
    const Change append = [](Recording &r) { r.segments.push_back(seg(QStringLiteral("c"), 2, QStringLiteral("three"))); };
    const Change appendOther = [](Recording &r) { r.segments.push_back(seg(QStringLiteral("d"), 2, QStringLiteral("drei"))); };
    const Change dropB = [](Recording &r) { r.segments.pop_back(); };
    const Change template_ = [](Recording &r) { r.summaryTemplate = QStringLiteral("meeting"); };

    struct Case {
        const char *name;
        Change mine, theirs;
        std::optional<Change> expected; // nothing: a conflict
    };
    const std::vector<Case> cases = {
        {"star there, summary here", summary, star, Change([&](Recording &r) { star(r); summary(r); })},
        {"the same title on both sides", title, title, title},
        {"different titles", title, otherTitle, std::nullopt},
        {"text edited there, chunk added here", append, editB, Change([&](Recording &r) { editB(r); append(r); })},
        {"text and speaker of one segment", editB, speakerB, Change([&](Recording &r) { editB(r); speakerB(r); })},
        {"a chunk added on both sides", append, appendOther, std::nullopt},
        {"removed here, edited there", dropB, editB, std::nullopt},
        {"summary here, its template there", summary, template_, std::nullopt},
    };
    for (const Case &c : cases) {
        Recording mine = base, theirs = base;
        c.mine(mine);
        c.theirs(theirs);
        if (!c.expected) {
            EXPECT_THROW(RecordMerge::merge(base, mine, theirs), SaveConflict) << c.name;
            continue;
        }
        Recording expected = base;
        (*c.expected)(expected);
        EXPECT_EQ(RecordMerge::merge(base, mine, theirs), expected) << c.name;
    }
}

TEST(RecordMerge, ProjectListsMergeByIdAndKeepNamesUnique)
{
    const Project work{QStringLiteral("W"), QStringLiteral("Work")};
    const Project home{QStringLiteral("H"), QStringLiteral("Home")};
    const Project team{QStringLiteral("T"), QStringLiteral("Team")};
    const Project renamed{QStringLiteral("W"), QStringLiteral("Job")};
    const Project otherWork{QStringLiteral("X"), QStringLiteral("WORK")};
    EXPECT_EQ(RecordMerge::mergeProjects({work}, {work, home}, {renamed, team}),
              (std::vector<Project>{renamed, team, home}));
    EXPECT_EQ(RecordMerge::mergeProjects({work, home}, {home}, {work, home, team}), (std::vector<Project>{home, team}));
    EXPECT_THROW(RecordMerge::mergeProjects({work}, {}, {renamed}), SaveConflict);
    EXPECT_THROW(RecordMerge::mergeProjects({}, {work}, {otherWork}), SaveConflict);
}
