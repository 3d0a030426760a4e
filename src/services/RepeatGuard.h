#pragma once

#include "services/ChunkTranscript.h"

#include <QString>

// Whisper models sometimes fall into a loop and write one phrase dozens or thousands of times.
// This finds such a loop in a chunk's text and cuts it down, so no loop is stored unnoticed.
namespace RepeatGuard {

// How often a phrase must follow itself before the text counts as looping. Nobody says the same
// phrase of several words eight times in a row.
constexpr int loopRepeats = 8;

// True when one phrase of at least three letters follows itself `loopRepeats` times or more,
// white space ignored. Laughter ("哈哈哈…") and digits never count.
bool loops(const QString &text);
bool loops(const ChunkTranscript &transcript);

// Every phrase of at least three letters that directly repeats itself is kept once, and
// neighbouring segments left with the same text become one segment spanning them. Meant for a
// chunk that loops, where a doubled phrase is far more likely the loop than speech.
QString collapse(const QString &text);
ChunkTranscript collapse(ChunkTranscript transcript);

} // namespace RepeatGuard
