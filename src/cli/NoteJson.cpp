#include "cli/NoteJson.h"

#include "library/RecordCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace NoteJson {

QJsonObject object(const Recording &recording)
{
    // The store's own encoder decides the field set, so this output can never drift from the
    // files on disk.
    QJsonObject note = QJsonDocument::fromJson(RecordCodec::encodeRecording(recording)).object();
    if (recording.audioURL) {
        const QString &location = *recording.audioURL;
        const QString path = location.startsWith(QLatin1String("file:")) ? QUrl(location).toLocalFile() : location;
        note.insert(QStringLiteral("audioPath"), path);
    }
    return note;
}

QByteArray document(const Recording &recording)
{
    return QJsonDocument(object(recording)).toJson(QJsonDocument::Indented);
}

} // namespace NoteJson
