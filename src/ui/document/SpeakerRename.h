#pragma once

#include "library/Recording.h"

#include <QString>
#include <QStringList>

#include <vector>

// Renaming one speaker across the segments of a note being edited. Only the draft changes; the
// note itself changes when the editor is saved.
namespace SpeakerRename {

// The distinct speakers of the segments, sorted; the empty speaker is one of them when present.
QStringList speakers(const std::vector<Segment> &segments);

// How many segments carry exactly this speaker.
int count(const std::vector<Segment> &segments, const QString &speaker);

struct Outcome {
    bool applied = false;  // false: the draft was left as it was
    QString newSpeaker;    // the trimmed name, when applied
    QString feedback;      // localized text to show under the control
};

// Gives every segment whose speaker is `source` the trimmed `name`. A name that is empty after
// trimming changes nothing and asks for a name.
Outcome apply(std::vector<Segment> &segments, const QString &source, const QString &name);

} // namespace SpeakerRename
