#pragma once

#include <QString>

struct Recording;

// A note's transcript as subtitles for video players and editors: one cue per segment with text,
// timed by the segment, the speaker (when there is one) leading the cue text.
namespace SubtitleExport {

// SubRip: numbered cues, times as HH:MM:SS,mmm.
QString subRip(const Recording &recording);

// WebVTT: the "WEBVTT" header, times as HH:MM:SS.mmm, cue text escaped for the format.
QString webVtt(const Recording &recording);

} // namespace SubtitleExport
