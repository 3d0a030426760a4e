#pragma once

#include "library/Recording.h"

#include <QString>

#include <vector>

// What a note recorded here says about its sound: the recording keeps each source's level ten
// times a second beside the audio ("levels.tsv", one line "microphone<TAB>system" per tenth, "-"
// for a source not recorded). Where nothing was heard the engine is not asked at all (engines
// invent text over silence). Recorded from both sources, a segment is "我" where the microphone's
// own sound dominated it, "对方" where the system's did, and keeps no speaker where the two were
// near equal or silent. The speakers' sound that the microphone picks up (the remote voice heard
// in the room) follows the system's level; that share is not counted as the microphone's.
namespace SourceSpeakers {

struct Level {
    float microphone = 0;
    float system = 0;
};

struct Levels {
    std::vector<Level> readings; // "-" reads as 0
    bool bothSources = false;
};

// The levels file's readings; none when it is missing or unreadable (a note not recorded here).
Levels read(const QString &path);

// True when readings cover [start, end) seconds and every one of them is quiet.
bool silent(const Levels &levels, double start, double end);

// How much of the system's level reaches the microphone (0…1), judged where the system is loud.
double leakOf(const std::vector<Level> &levels);

// The speaker for [start, end) seconds: "我", "对方" or empty.
QString speakerFor(const std::vector<Level> &levels, double leak, double start, double end);

// Gives each segment without a speaker the one its time says; segments with a speaker keep it.
// Nothing for a recording of one source.
void label(std::vector<Segment> &segments, const Levels &levels);

} // namespace SourceSpeakers
