#pragma once

#include "library/Recording.h"

#include <QByteArray>
#include <QJsonObject>
#include <vector>

// Notes as JSON for scripts: exactly the fields of record.json (absent optional fields left out),
// plus "audioPath" when the audio copy exists.
namespace NoteJson {
QJsonObject object(const Recording &recording);
QByteArray document(const Recording &recording);
QByteArray array(const std::vector<Recording> &recordings);
}
