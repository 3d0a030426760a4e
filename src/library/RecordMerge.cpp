#include "library/RecordMerge.h"

#include <QHash>

#include <algorithm>
#include <tuple>

SaveConflict::SaveConflict()
    : AppFailure(QStringLiteral("另一个程序同时改动了同一处内容，这次修改没有保存；已载入最新版本。"))
{
}

bool SaveConflict::is(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const SaveConflict &) {
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

// One part of three versions: whichever side changed it wins; both changing it differently is a
// conflict.
template<typename T>
T pick(const T &base, const T &mine, const T &current)
{
    if (mine == base || mine == current)
        return current;
    if (current == base)
        return mine;
    throw SaveConflict();
}

template<typename R>
auto summaryOf(R &r)
{
    return std::tie(r.summary, r.summaryStale, r.summaryTemplate, r.summaryTemplateName, r.summaryTemplateVersion);
}

Segment mergeSegment(const Segment &base, const Segment &mine, const Segment &current)
{
    Segment merged = current;
    merged.start = pick(base.start, mine.start, current.start);
    merged.end = pick(base.end, mine.end, current.end);
    merged.text = pick(base.text, mine.text, current.text);
    merged.speaker = pick(base.speaker, mine.speaker, current.speaker);
    return merged;
}

Project mergeProject(const Project &base, const Project &mine, const Project &current)
{
    Project merged = current;
    merged.name = pick(base.name, mine.name, current.name);
    return merged;
}

template<typename T>
QHash<QString, const T *> byID(const std::vector<T> &items)
{
    QHash<QString, const T *> index;
    for (const T &item : items)
        index.insert(item.id, &item);
    return index;
}

// Lists of items with ids: current's items in current's order (merged with this program's change
// of each), then the items only this program added. An item one side removed goes unless the
// other side changed it. Without bothMayAdd, items added on both sides are a conflict.
template<typename T, typename MergeItem>
std::vector<T> mergeByID(const std::vector<T> &base, const std::vector<T> &mine, const std::vector<T> &current,
                         MergeItem mergeItem, bool bothMayAdd)
{
    if (mine == base || mine == current)
        return current;
    if (current == base)
        return mine;
    const auto inBase = byID(base);
    const auto inMine = byID(mine);
    const auto inCurrent = byID(current);
    std::vector<T> merged;
    for (const T &item : current) {
        const T *original = inBase.value(item.id);
        const T *own = inMine.value(item.id);
        if (original && !own) {
            if (!(item == *original))
                throw SaveConflict(); // removed here, changed there
            continue;
        }
        if (!original && own && !(*own == item))
            throw SaveConflict(); // added on both sides, differently
        merged.push_back(original && own ? mergeItem(*original, *own, item) : item);
    }
    for (const T &item : base) {
        const T *own = inMine.value(item.id);
        if (!inCurrent.contains(item.id) && own && !(*own == item))
            throw SaveConflict(); // removed there, changed here
    }
    const bool currentAdded = std::any_of(current.begin(), current.end(),
                                          [&](const T &item) { return !inBase.contains(item.id); });
    for (const T &item : mine) {
        if (inBase.contains(item.id) || inCurrent.contains(item.id))
            continue;
        if (currentAdded && !bothMayAdd)
            throw SaveConflict();
        merged.push_back(item);
    }
    return merged;
}

} // namespace

namespace RecordMerge {

Recording merge(const Recording &base, const Recording &mine, const Recording &current)
{
    Recording merged = current;
    merged.title = pick(base.title, mine.title, current.title);
    merged.duration = pick(base.duration, mine.duration, current.duration);
    merged.createdAt = pick(base.createdAt, mine.createdAt, current.createdAt);
    merged.segments = mergeByID(base.segments, mine.segments, current.segments, mergeSegment, false);
    summaryOf(merged) = pick(summaryOf(base), summaryOf(mine), summaryOf(current));
    merged.starred = pick(base.starred, mine.starred, current.starred);
    merged.deletedAt = pick(base.deletedAt, mine.deletedAt, current.deletedAt);
    merged.folderId = pick(base.folderId, mine.folderId, current.folderId);
    merged.storedAudioName = pick(base.storedAudioName, mine.storedAudioName, current.storedAudioName);
    merged.completedChunks = pick(base.completedChunks, mine.completedChunks, current.completedChunks);
    merged.status = pick(base.status, mine.status, current.status);
    merged.spokenLanguage = pick(base.spokenLanguage, mine.spokenLanguage, current.spokenLanguage);
    merged.interrupted = pick(base.interrupted, mine.interrupted, current.interrupted);
    merged.audioURL = mine.audioURL;
    return merged;
}

std::vector<Project> mergeProjects(const std::vector<Project> &base, const std::vector<Project> &mine,
                                   const std::vector<Project> &current)
{
    std::vector<Project> merged = mergeByID(base, mine, current, mergeProject, true);
    for (size_t i = 0; i < merged.size(); ++i) {
        for (size_t j = i + 1; j < merged.size(); ++j) {
            if (sameProjectName(merged[i].name, merged[j].name))
                throw SaveConflict();
        }
    }
    return merged;
}

} // namespace RecordMerge
