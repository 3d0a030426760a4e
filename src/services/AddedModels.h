#pragma once

#include "services/WhisperModels.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <stop_token>

// Whisper models the person added from files of their own (fine-tuned ones, or copies made where
// the hub cannot be reached). Each lives in the models folder as "ggml-" + id + ".bin" like a
// catalogue model; the list of them, with the size and SHA-256 taken when the file was added, is
// "added-models.json" there, so an added model is verified before every chunk like any other.
// Blocking: the model store calls these on its executor.
namespace AddedModels {

// The added models recorded in the folder; none when the list is missing or unreadable.
QList<WhisperModel> read(const QString &root);

// An id for the model from the name (or the file's name): lower-case letters, digits, ".", "-" and
// "_", without "ggml-" and ".bin", made unique among the taken ids by a number.
QString idFor(const QString &name, const QStringList &taken);

// Checks that whisper-cli can load a model file; throws AppFailure with the helper's reason.
using LoadCheck = std::function<void(const QString &modelFile)>;

// Copies the file into the folder under a new id, lets `check` load the copy, then lists it.
// Nothing is kept when any step fails.
WhisperModel add(const QString &root, const QStringList &taken, const QString &file, const QString &name,
                 const LoadCheck &check, std::stop_token stop);

// Removes an added model's file and its entry; an id that was not added throws.
void remove(const QString &root, const QString &id);

} // namespace AddedModels
