#pragma once

#include "library/Recording.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

// Notes as JSON for scripts: exactly the fields of record.json (absent optional fields left out),
// plus "audioPath" when the audio copy exists.
namespace NoteJson {
QJsonObject object(const Recording &recording);
QByteArray document(const Recording &recording);
// Any range of notes (a vector, or the workspace's filtered list).
template<typename Notes>
QByteArray array(const Notes &recordings)
{
    QJsonArray notes;
    for (const Recording &recording : recordings)
        notes.append(object(recording));
    return QJsonDocument(notes).toJson(QJsonDocument::Indented);
}
}
