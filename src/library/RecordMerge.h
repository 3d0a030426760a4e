#pragma once

#include "library/Recording.h"
#include "platform/Errors.h"

#include <vector>

// A save refused because another program changed the same part of a note (or of the project list)
// since this one read it.
class SaveConflict : public AppFailure {
public:
    SaveConflict();
    // Whether the error is one.
    static bool is(std::exception_ptr error);
};

// Carries one program's change of a note or of the project list onto the version another program
// has written since: base is what this program last read or wrote, mine what it wants stored now,
// current what is on disk. Every part this program left as it was in base takes current's value;
// every part it changed takes its own, unless current changed that part too (to something else):
// then SaveConflict is thrown and nothing is merged.
namespace RecordMerge {

// Field by field; the summary and its template marks count as one part; segments merge by id
// (their start, end, text and speaker each count), segments one side added stay, ones one side
// removed go, in current's order followed by the segments only this program added. Segments added
// on both sides are a conflict: two jobs transcribed the same note. audioURL is mine's.
Recording merge(const Recording &base, const Recording &mine, const Recording &current);

// By id, each project's name counting as one part; current's order, then the projects only this
// program added. Two projects left with the same name count as a conflict.
std::vector<Project> mergeProjects(const std::vector<Project> &base, const std::vector<Project> &mine,
                                   const std::vector<Project> &current);

} // namespace RecordMerge
