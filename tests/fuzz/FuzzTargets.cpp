#include "fuzz/FuzzTargets.h"

#include "library/LibraryReader.h"
#include "library/RecordCodec.h"
#include "processing/ChunkSegments.h"
#include "services/ModelClient.h"
#include "services/OllamaClient.h"
#include "services/RepeatGuard.h"
#include "services/SystemConfiguration.h"
#include "services/WhisperOutput.h"

#include <QJsonObject>

#include <algorithm>
#include <cstring>

namespace FuzzTargets {

namespace {

void require(bool condition, const char *rule)
{
    if (!condition)
        throw FuzzFinding(rule);
}

// A note the library accepts is written back unchanged when nothing in it was edited.
void note(const QByteArray &input)
{
    Recording read;
    try {
        read = RecordCodec::decodeRecording(input);
    } catch (const RecordFormatError &) {
        return;
    }
    if (!LibraryReader::noteValid(read))
        return;
    const QByteArray written = RecordCodec::encodeRecording(read);
    const Recording again = RecordCodec::decodeRecording(written);
    require(again == read, "a note read and written back changed");
    require(RecordCodec::encodeRecording(again) == written, "a note's stored form is not stable");
}

void projects(const QByteArray &input)
{
    std::vector<Project> read;
    try {
        read = RecordCodec::decodeProjects(input);
    } catch (const RecordFormatError &) {
        return;
    }
    require(RecordCodec::decodeProjects(RecordCodec::encodeProjects(read)) == read,
            "a project list read and written back changed");
}

// A document the editor accepts is the same settings once written and read back, in both forms.
void configuration(const QByteArray &input)
{
    SystemConfiguration read;
    try {
        read = SystemConfiguration::parse(QString::fromUtf8(input));
    } catch (const AppFailure &) {
        return;
    } catch (const SystemError &) {
        return;
    }
    require(SystemConfiguration::parse(read.json()) == read, "the written configuration reads back differently");
    require(SystemConfiguration::parse(read.editingJSON()) == read,
            "the configuration shown in the editor reads back differently");
}

// Whatever an engine returned for a chunk becomes segments a note can hold and store, also once
// a loop in it has been cut down.
void requirePlaced(const ChunkTranscript &transcript)
{
    Recording placed;
    placed.id = QStringLiteral("0F6E2C1A-9B7D-4E3C-8A21-5D4C3B2A1F00");
    placed.duration = 120;
    placed.segments = ChunkSegments::place(transcript, 60, 120);
    require(LibraryReader::noteValid(placed), "a transcript gave segments the library refuses");
    require(RecordCodec::decodeRecording(RecordCodec::encodeRecording(placed)) == placed,
            "a transcript's segments do not survive being stored");
}

void requireStorable(const ChunkTranscript &transcript)
{
    requirePlaced(transcript);
    if (RepeatGuard::loops(transcript)) {
        const ChunkTranscript collapsed = RepeatGuard::collapse(transcript);
        require(!RepeatGuard::loops(collapsed.storedText()), "a loop survived being cut down");
        requirePlaced(collapsed);
    }
}

void cloud(const QByteArray &input)
{
    try {
        require(!ModelClient::parse(input).trimmed().isEmpty(), "a blank completion was accepted");
    } catch (const AppFailure &) {
    }
    // A blank transcript is a chunk without speech; it must still be storable.
    if (const std::optional<ChunkTranscript> transcript = ModelClient::transcriptOf(input))
        requireStorable(*transcript);
    ModelClient::modelIDs(input);
}

void ollama(const QByteArray &input)
{
    QJsonObject reply;
    try {
        reply = OllamaClient::replyObject(input);
    } catch (const AppFailure &) {
        return;
    }
    try {
        const QStringList names = OllamaClient::installedModels(reply);
        for (const QString &name : names)
            require(OllamaClient::validModel(name) && !OllamaClient::isCloudModel(name),
                    "an unusable model was listed");
        require(std::adjacent_find(names.begin(), names.end(), std::greater_equal<>()) == names.end(),
                "the model list is not sorted and unique");
    } catch (const AppFailure &) {
    }
    try {
        OllamaClient::checkModelInfo(reply, QStringLiteral("qwen2.5:7b"));
    } catch (const AppFailure &) {
    }
    try {
        require(!OllamaClient::chatContent(reply).trimmed().isEmpty(), "a blank summary was accepted");
    } catch (const AppFailure &) {
    }
}

void whisper(const QByteArray &input)
{
    ChunkTranscript transcript;
    transcript.segments = WhisperOutput::parse(input);
    for (const TimedText &segment : transcript.segments)
        require(!segment.text.isEmpty() && segment.text == segment.text.trimmed(), "an untrimmed segment was kept");
    transcript.text = transcript.storedText();
    requireStorable(transcript);
}

} // namespace

const std::vector<Target> &all()
{
    static const std::vector<Target> targets{{"note", note},   {"projects", projects}, {"configuration", configuration},
                                             {"cloud", cloud}, {"ollama", ollama},     {"whisper", whisper}};
    return targets;
}

const Target *find(const char *name)
{
    for (const Target &target : all()) {
        if (std::strcmp(target.name, name) == 0)
            return &target;
    }
    return nullptr;
}

} // namespace FuzzTargets
