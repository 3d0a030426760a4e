#pragma once

#include "library/Recording.h"

#include <QString>

class NativeLibrary;

// The end of a recording, whichever way it ended: the note as it is on disk now (a transcription
// may have written chunks into it while it was recorded) gets its audio's measured duration and
// the status its transcribed chunks give ("ready", "paused" or "transcribed"); then the lock file
// goes. An interrupted recording's audio is first rewritten up to its last intact page and the
// note marked interrupted. Blocking; on the store's executor (or where nothing else writes it).
namespace RecordingClose {

Recording closeNow(const NativeLibrary &library, const QString &id, bool interrupted);

} // namespace RecordingClose
