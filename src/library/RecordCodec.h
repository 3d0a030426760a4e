#pragma once

#include "library/Recording.h"
#include "platform/Errors.h"

#include <QByteArray>
#include <vector>

// A note or project list whose JSON does not have the required shape. It is a platform-style
// error (its description is not a localization key): it names the offending key for the person
// reading it.
class RecordFormatError : public SystemError {
public:
    using SystemError::SystemError;
};

// The on-disk JSON form of notes (record.json) and of the project list (projects.json).
namespace RecordCodec {

// Pretty-printed, keys sorted, absent optionals omitted (never null), "/" written as "\/".
QByteArray encodeRecording(const Recording &recording);

// Bytes a caller may leave free after a note's JSON (QByteArray::capacity()) so that decoding
// needs no padded copy of it.
inline constexpr qsizetype decodePadding = 64;

// Accepts JSON null for an absent optional key, drops unknown keys, requires integral numbers for
// completedChunks and summaryTemplateVersion. Throws RecordFormatError. audioURL stays absent.
Recording decodeRecording(const QByteArray &json);

// Compact: [{"id":"…","name":"…"},…]; an empty list is "[]".
QByteArray encodeProjects(const std::vector<Project> &projects);

// Throws RecordFormatError unless the text is an array of objects with string id and name.
std::vector<Project> decodeProjects(const QByteArray &json);

} // namespace RecordCodec
