#include "library/RecordCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <simdjson.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cmath>
#include <string_view>

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

// Writes "/" as "\/" and U+FEFF as "\ufeff". Neither can occur in the syntax, only inside a JSON
// string, so a plain replacement over the serialized text is exact. QJsonDocument drops a byte
// order mark that begins an unescaped string, so a title or text beginning with one would
// otherwise lose it the next time the note is read; escaped, it is kept.
QByteArray escapeForReading(QByteArray json)
{
    return json.replace('/', QByteArrayLiteral("\\/")).replace("\xEF\xBB\xBF", QByteArrayLiteral("\\ufeff"));
}

QJsonDocument parse(const QByteArray &json)
{
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        fail(error.errorString());
    return document;
}

Recording decodeWithQt(const QByteArray &json)
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
    recording.spokenLanguage = optionalString(object, "spokenLanguage");
    recording.interrupted = optionalBool(object, "interrupted");
    return recording;
}

// --- the fast path ---------------------------------------------------------------------------
//
// A library of long transcripts is mostly string bytes. simdjson checks the whole document
// (structure and UTF-8) several times faster than QJsonDocument, and its strings are converted
// straight into exactly sized QStrings (QString::fromUtf8 sizes its buffer by the byte count, so
// Chinese text would hold three times the memory it needs). Whatever this path does not accept —
// a syntax error, a wrong shape, a lone surrogate escape — goes through decodeWithQt, which
// decides and words the error exactly as before.

namespace json = simdjson::dom;

static_assert(RecordCodec::decodePadding >= qsizetype(simdjson::SIMDJSON_PADDING));

struct Mismatch {};

// s must be valid UTF-8 (simdjson has checked it).
QString fromValidUtf8(std::string_view s)
{
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const size_t n = s.size();
    // One UTF-16 unit per byte, less the continuation bytes, plus one per four-byte sequence.
    qsizetype length = qsizetype(n);
    size_t i = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time: per-lane byte counters, summed before they can overflow.
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    while (i + 16 <= n) {
        __m128i continuations = zero;
        __m128i fourByteLeads = zero;
        for (int block = 0; block < 255 && i + 16 <= n; ++block, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
            const __m128i continuation =
                _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xC0))), _mm_set1_epi8(char(0x80)));
            const __m128i belowF0 = _mm_cmpeq_epi8(_mm_subs_epu8(v, _mm_set1_epi8(char(0xEF))), zero);
            continuations = _mm_add_epi8(continuations, _mm_and_si128(continuation, one));
            fourByteLeads = _mm_add_epi8(fourByteLeads, _mm_andnot_si128(belowF0, one));
        }
        const auto sum = [&](__m128i counters) {
            const __m128i halves = _mm_sad_epu8(counters, zero);
            return qsizetype(_mm_cvtsi128_si32(halves) + _mm_cvtsi128_si32(_mm_srli_si128(halves, 8)));
        };
        length += sum(fourByteLeads) - sum(continuations);
    }
#endif
    for (; i < n; ++i)
        length += (p[i] >= 0xF0) - ((p[i] & 0xC0) == 0x80);
    if (size_t(length) == n)
        return QString::fromLatin1(s.data(), qsizetype(n)); // all ASCII
    QString out(length, Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    const auto threeByte = [](const unsigned char *q) {
        return char16_t(((q[0] & 0x0F) << 12) | ((q[1] & 0x3F) << 6) | (q[2] & 0x3F));
    };
    for (i = 0; i < n;) {
        // Chinese text is runs of three-byte sequences: four at a time.
        if (i + 12 <= n
            && (((p[i] & 0xF0) == 0xE0) & ((p[i + 3] & 0xF0) == 0xE0) & ((p[i + 6] & 0xF0) == 0xE0)
                & ((p[i + 9] & 0xF0) == 0xE0))) {
            d[0] = threeByte(p + i);
            d[1] = threeByte(p + i + 3);
            d[2] = threeByte(p + i + 6);
            d[3] = threeByte(p + i + 9);
            d += 4;
            i += 12;
            continue;
        }
        const unsigned c = p[i];
        if (c < 0x80) {
            *d++ = char16_t(c);
            i += 1;
        } else if (c < 0xE0) {
            *d++ = char16_t(((c & 0x1F) << 6) | (p[i + 1] & 0x3F));
            i += 2;
        } else if (c < 0xF0) {
            *d++ = threeByte(p + i);
            i += 3;
        } else {
            const char32_t u = (((c & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6)
                                | (p[i + 3] & 0x3F)) - 0x10000;
            *d++ = char16_t(0xD800 + (u >> 10));
            *d++ = char16_t(0xDC00 + (u & 0x3FF));
            i += 4;
        }
    }
    return out;
}

QString fastString(json::element value)
{
    std::string_view text;
    // QJsonDocument drops a byte order mark that begins an unescaped string; leave that to it.
    if (value.get_string().get(text) || text.starts_with("\xEF\xBB\xBF"))
        throw Mismatch{};
    return fromValidUtf8(text);
}

double fastNumber(json::element value)
{
    double number = 0;
    if (!value.is_number() || value.get_double().get(number))
        throw Mismatch{};
    return number;
}

template<typename T, typename Read>
std::optional<T> fastOptional(json::element value, Read read)
{
    if (value.is_null())
        return std::nullopt;
    return read(value);
}

bool fastBool(json::element value)
{
    bool flag = false;
    if (value.get_bool().get(flag))
        throw Mismatch{};
    return flag;
}

// As optionalInteger: 64-bit integers, or doubles with a whole value in that range.
qint64 fastInteger(json::element value)
{
    int64_t integer = 0;
    if (!value.get_int64().get(integer))
        return integer;
    double number = 0;
    if (value.type() != json::element_type::DOUBLE || value.get_double().get(number) || std::trunc(number) != number
        || number < -9223372036854775808.0 || number >= 9223372036854775808.0)
        throw Mismatch{};
    return qint64(number);
}

Segment fastSegment(json::element value)
{
    json::object object;
    if (value.get_object().get(object))
        throw Mismatch{};
    Segment segment;
    // Later duplicates of a key win, as in QJsonDocument.
    unsigned seen = 0;
    for (const json::key_value_pair field : object) {
        if (field.key == "id")
            segment.id = fastString(field.value), seen |= 1;
        else if (field.key == "start")
            segment.start = fastNumber(field.value), seen |= 2;
        else if (field.key == "end")
            segment.end = fastNumber(field.value), seen |= 4;
        else if (field.key == "text")
            segment.text = fastString(field.value), seen |= 8;
        else if (field.key == "speaker")
            segment.speaker = fastString(field.value), seen |= 16;
    }
    if (seen != 31)
        throw Mismatch{};
    return segment;
}

// The keys of a note read into one member each; later duplicates of a key win, as in
// QJsonDocument.
const std::pair<std::string_view, QString Recording::*> requiredStrings[] = {
    {"id", &Recording::id}, {"title", &Recording::title}, {"createdAt", &Recording::createdAt},
    {"summary", &Recording::summary}};
const std::pair<std::string_view, std::optional<QString> Recording::*> optionalStrings[] = {
    {"deletedAt", &Recording::deletedAt}, {"folderId", &Recording::folderId},
    {"storedAudioName", &Recording::storedAudioName}, {"status", &Recording::status},
    {"summaryTemplate", &Recording::summaryTemplate}, {"summaryTemplateName", &Recording::summaryTemplateName},
    {"spokenLanguage", &Recording::spokenLanguage}};
const std::pair<std::string_view, std::optional<bool> Recording::*> optionalBools[] = {
    {"starred", &Recording::starred}, {"summaryStale", &Recording::summaryStale},
    {"interrupted", &Recording::interrupted}};
const std::pair<std::string_view, std::optional<qint64> Recording::*> optionalIntegers[] = {
    {"completedChunks", &Recording::completedChunks}, {"summaryTemplateVersion", &Recording::summaryTemplateVersion}};

// Stores read() in the member the table gives for key; its index in the table, -1 when absent.
template<typename Member, size_t N, typename Read>
int store(const std::pair<std::string_view, Member> (&table)[N], std::string_view key, Recording &recording, Read read)
{
    for (size_t i = 0; i < N; ++i) {
        if (table[i].first == key) {
            recording.*(table[i].second) = read();
            return int(i);
        }
    }
    return -1;
}

std::optional<Recording> decodeFast(const QByteArray &bytes)
{
    // QJsonDocument skips a byte order mark; simdjson does not.
    std::string_view text(bytes.constData(), size_t(bytes.size()));
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const bool padded = bytes.capacity() - bytes.size() >= qsizetype(simdjson::SIMDJSON_PADDING);
    // One parser per thread keeps its buffers between notes; an unusually large note gets its own.
    thread_local json::parser shared;
    json::parser own;
    json::parser &parser = text.size() <= 4'000'000 ? shared : own;
    json::element document;
    json::object object;
    if (parser.parse(text.data(), text.size(), !padded).get(document) || document.get_object().get(object))
        return std::nullopt;
    try {
        Recording recording;
        unsigned seen = 0; // one bit per required key
        for (const json::key_value_pair field : object) {
            const std::string_view key = field.key;
            const json::element value = field.value;
            if (key == "segments") {
                json::array array;
                if (value.get_array().get(array))
                    throw Mismatch{};
                recording.segments.clear();
                recording.segments.reserve(array.size());
                for (const json::element segment : array)
                    recording.segments.push_back(fastSegment(segment));
                seen |= 1u << 4;
            } else if (key == "duration") {
                recording.duration = fastNumber(value);
                seen |= 1u << 5;
            } else if (const int at = store(requiredStrings, key, recording, [&] { return fastString(value); }); at >= 0) {
                seen |= 1u << at;
            } else if (store(optionalStrings, key, recording, [&] { return fastOptional<QString>(value, fastString); }) < 0
                       && store(optionalBools, key, recording, [&] { return fastOptional<bool>(value, fastBool); }) < 0) {
                store(optionalIntegers, key, recording, [&] { return fastOptional<qint64>(value, fastInteger); });
            }
        }
        if (seen != 63)
            return std::nullopt;
        return recording;
    } catch (const Mismatch &) {
        return std::nullopt;
    }
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
    insertIfPresent(object, "spokenLanguage", recording.spokenLanguage);
    insertIfPresent(object, "interrupted", recording.interrupted);
    // QJsonObject keeps its keys sorted, so the indented output is sorted at every level.
    return escapeForReading(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

Recording decodeRecording(const QByteArray &json)
{
    if (std::optional<Recording> recording = decodeFast(json))
        return std::move(*recording);
    return decodeWithQt(json);
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
    return escapeForReading(QJsonDocument(array).toJson(QJsonDocument::Compact));
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
