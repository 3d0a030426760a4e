#include "library/RecordCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace {

[[noreturn]] void fail(const QString &detail)
{
    throw RecordFormatError(QStringLiteral("The data couldn’t be read because it isn’t in the correct format (%1).")
                                .arg(detail));
}

QJsonValue field(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key));
}

QString requiredString(const QJsonObject &object, const char *key)
{
    const QJsonValue value = field(object, key);
    if (!value.isString())
        fail(QStringLiteral("“%1” must be a string").arg(QLatin1String(key)));
    return value.toString();
}

double requiredNumber(const QJsonObject &object, const char *key)
{
    const QJsonValue value = field(object, key);
    if (!value.isDouble())
        fail(QStringLiteral("“%1” must be a number").arg(QLatin1String(key)));
    return value.toDouble();
}

std::optional<QString> optionalString(const QJsonObject &object, const char *key)
{
    const QJsonValue value = field(object, key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        fail(QStringLiteral("“%1” must be a string").arg(QLatin1String(key)));
    return value.toString();
}

std::optional<bool> optionalBool(const QJsonObject &object, const char *key)
{
    const QJsonValue value = field(object, key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isBool())
        fail(QStringLiteral("“%1” must be true or false").arg(QLatin1String(key)));
    return value.toBool();
}

// Only whole numbers that fit in 64 bits: 3.5 or 1e30 is an error, 3 and 3.0 are 3. Qt keeps
// integer literals as exact 64-bit values, so large counts are not rounded through a double.
std::optional<qint64> optionalInteger(const QJsonObject &object, const char *key)
{
    const QJsonValue value = field(object, key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isDouble())
        fail(QStringLiteral("“%1” must be a whole number").arg(QLatin1String(key)));
    const qint64 first = value.toInteger(0);
    const qint64 second = value.toInteger(1);
    if (first != second)
        fail(QStringLiteral("“%1” must be a whole number").arg(QLatin1String(key)));
    return first;
}

Segment decodeSegment(const QJsonValue &value)
{
    if (!value.isObject())
        fail(QStringLiteral("a segment must be an object"));
    const QJsonObject object = value.toObject();
    Segment segment;
    segment.id = requiredString(object, "id");
    segment.start = requiredNumber(object, "start");
    segment.end = requiredNumber(object, "end");
    segment.text = requiredString(object, "text");
    segment.speaker = requiredString(object, "speaker");
    return segment;
}

QJsonValue finiteNumber(double value, const char *key)
{
    // JSON has no NaN or infinity; Qt would write null and the note would no longer read back.
    if (!std::isfinite(value))
        throw RecordFormatError(QStringLiteral("“%1” is not a finite number and cannot be stored.").arg(QLatin1String(key)));
    return QJsonValue(value);
}

QJsonObject encodeSegment(const Segment &segment)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), segment.id);
    object.insert(QStringLiteral("start"), finiteNumber(segment.start, "start"));
    object.insert(QStringLiteral("end"), finiteNumber(segment.end, "end"));
    object.insert(QStringLiteral("text"), segment.text);
    object.insert(QStringLiteral("speaker"), segment.speaker);
    return object;
}

template<typename T>
void insertIfPresent(QJsonObject &object, const char *key, const std::optional<T> &value)
{
    if (value)
        object.insert(QLatin1String(key), QJsonValue(*value));
}

// Writes "/" as "\/". A solidus can only occur inside a JSON string, never in the syntax, so a
// plain replacement over the serialized text is exact.
QByteArray escapeSolidus(QByteArray json)
{
    return json.replace('/', QByteArrayLiteral("\\/"));
}

QJsonDocument parse(const QByteArray &json)
{
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        fail(error.errorString());
    return document;
}

} // namespace

namespace RecordCodec {

QByteArray encodeRecording(const Recording &recording)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), recording.id);
    object.insert(QStringLiteral("title"), recording.title);
    object.insert(QStringLiteral("duration"), finiteNumber(recording.duration, "duration"));
    object.insert(QStringLiteral("createdAt"), recording.createdAt);
    QJsonArray segments;
    for (const Segment &segment : recording.segments)
        segments.append(encodeSegment(segment));
    object.insert(QStringLiteral("segments"), segments);
    object.insert(QStringLiteral("summary"), recording.summary);
    insertIfPresent(object, "starred", recording.starred);
    insertIfPresent(object, "deletedAt", recording.deletedAt);
    insertIfPresent(object, "folderId", recording.folderId);
    insertIfPresent(object, "storedAudioName", recording.storedAudioName);
    insertIfPresent(object, "completedChunks", recording.completedChunks);
    insertIfPresent(object, "status", recording.status);
    insertIfPresent(object, "summaryStale", recording.summaryStale);
    insertIfPresent(object, "summaryTemplate", recording.summaryTemplate);
    insertIfPresent(object, "summaryTemplateName", recording.summaryTemplateName);
    insertIfPresent(object, "summaryTemplateVersion", recording.summaryTemplateVersion);
    // QJsonObject keeps its keys sorted, so the indented output is sorted at every level.
    return escapeSolidus(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

Recording decodeRecording(const QByteArray &json)
{
    const QJsonDocument document = parse(json);
    if (!document.isObject())
        fail(QStringLiteral("a note must be a JSON object"));
    const QJsonObject object = document.object();
    Recording recording;
    recording.id = requiredString(object, "id");
    recording.title = requiredString(object, "title");
    recording.duration = requiredNumber(object, "duration");
    recording.createdAt = requiredString(object, "createdAt");
    const QJsonValue segments = field(object, "segments");
    if (!segments.isArray())
        fail(QStringLiteral("“segments” must be an array"));
    const QJsonArray segmentArray = segments.toArray();
    recording.segments.reserve(size_t(segmentArray.size()));
    for (const QJsonValue &segment : segmentArray)
        recording.segments.push_back(decodeSegment(segment));
    recording.summary = requiredString(object, "summary");
    recording.starred = optionalBool(object, "starred");
    recording.deletedAt = optionalString(object, "deletedAt");
    recording.folderId = optionalString(object, "folderId");
    recording.storedAudioName = optionalString(object, "storedAudioName");
    recording.completedChunks = optionalInteger(object, "completedChunks");
    recording.status = optionalString(object, "status");
    recording.summaryStale = optionalBool(object, "summaryStale");
    recording.summaryTemplate = optionalString(object, "summaryTemplate");
    recording.summaryTemplateName = optionalString(object, "summaryTemplateName");
    recording.summaryTemplateVersion = optionalInteger(object, "summaryTemplateVersion");
    return recording;
}

QByteArray encodeProjects(const std::vector<Project> &projects)
{
    QJsonArray array;
    for (const Project &project : projects) {
        QJsonObject object;
        object.insert(QStringLiteral("id"), project.id);
        object.insert(QStringLiteral("name"), project.name);
        array.append(object);
    }
    return escapeSolidus(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::vector<Project> decodeProjects(const QByteArray &json)
{
    const QJsonDocument document = parse(json);
    if (!document.isArray())
        fail(QStringLiteral("the project list must be a JSON array"));
    std::vector<Project> projects;
    for (const QJsonValue &value : document.array()) {
        if (!value.isObject())
            fail(QStringLiteral("a project must be an object"));
        const QJsonObject object = value.toObject();
        projects.push_back({requiredString(object, "id"), requiredString(object, "name")});
    }
    return projects;
}

} // namespace RecordCodec
