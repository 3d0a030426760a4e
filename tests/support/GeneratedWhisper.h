#pragma once

#include "services/WhisperModels.h"

#include <QString>

// The real whisper-cli of the build tree and a random-weight model it loads (written by
// tests/support/make-whisper-model), for tests that run the helper itself.
namespace GeneratedWhisper {

// The helper scripts/build-whisper put beside the build; empty when it has not been built.
QString helper();
// Why tests of the real helper are skipped when helper() is empty.
QString skipReason();

// A small generated model (about 8 MB), written once per process; its catalogue entry has the
// given id and the file's real size and SHA-256.
QString modelFile();
WhisperModel model(const QString &id);

// Installs the generated model into the store's folder under the entry's file name.
void install(const WhisperModels &models, const WhisperModel &model);

// Spoken words, silence up to `seconds`, then the words again, as 16 kHz mono WAV.
QString speechWithPause(double seconds);

} // namespace GeneratedWhisper
