#pragma once

#include "library/Recording.h"
#include "services/ChunkTranscript.h"

#include <vector>

namespace ChunkSegments {

// The transcript segments for one chunk covering [start, end) seconds of the note: the engine's
// own segments shifted by the chunk's start and kept inside the chunk, blank ones dropped. A
// chunk the engine did not time (or whose segments are all blank) becomes one segment spanning
// it, with the text as received; a chunk without speech (blank text) gives none. Every segment
// gets a fresh id.
std::vector<Segment> place(const ChunkTranscript &transcript, double start, double end);

// The transcript with all recognised text in the interface language's Chinese script.
ChunkTranscript inScript(ChunkTranscript transcript, const QString &language);

} // namespace ChunkSegments
