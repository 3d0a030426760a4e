#pragma once

// A whole Workspace on a temporary home library with injected engines, for the processing job tests.

#include "library/LibraryFixture.h"
#include "library/LibraryReader.h"
#include "library/NativeLibrary.h"
#include "services/ModelClient.h"
#include "services/ModelConfiguration.h"
#include "services/OllamaClient.h"
#include "services/SummaryPreferences.h"
#include "support/AudioFixtures.h"
#include "support/TaskRunner.h"
#include "support/WorkspacePrompts.h"
#include "workspace/Workspace.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

namespace JobTest {

// What the interface saw, in order: one line per change of a job field.
inline void observe(Workspace &workspace, QStringList &log)
{
    QObject::connect(&workspace, &Workspace::progressChanged, [&] { log << QStringLiteral("progress %1").arg(workspace.progress()); });
    QObject::connect(&workspace, &Workspace::progressTextChanged, [&] { log << QStringLiteral("text ") + workspace.progressText(); });
    QObject::connect(&workspace, &Workspace::noticeChanged, [&] { log << QStringLiteral("notice ") + workspace.notice().value_or(QStringLiteral("-")); });
    QObject::connect(&workspace, &Workspace::errorChanged, [&] { log << QStringLiteral("error ") + workspace.error().value_or(QStringLiteral("-")); });
    QObject::connect(&workspace, &Workspace::jobIDChanged, [&] { log << (workspace.jobID() ? QStringLiteral("job on") : QStringLiteral("job off")); });
}

class Fixture {
public:
    using Transcribe = std::function<QCoro::Task<QString>(QByteArray wav, QString model, std::stop_token stop)>;

    // A Workspace on a new library in a temporary folder, or on the library at `root`.
    explicit Fixture(const QString &root = {})
    {
        prompts.cloudAnswer = true;
        configuration.asrService = QStringLiteral("whisper");
        configuration.summaryService = QStringLiteral("ollama");
        configuration.ollamaModel = QStringLiteral("qwen3:8b");
        library = std::make_unique<NativeLibrary>(root.isEmpty() ? dir.path() + QStringLiteral("/Library") : root);
        services.configurationProvider = [this] { return configuration; };
        services.keyProvider = [this](QString account) -> QCoro::Task<std::optional<QString>> {
            keyRequests << account;
            auto it = keys.find(account);
            co_return it == keys.end() ? std::nullopt : std::optional<QString>(it->second);
        };
        services.localTranscribe = [this](QByteArray wav, WhisperRun run,
                                          std::stop_token stop) -> QCoro::Task<ChunkTranscript> {
            runs.push_back(run);
            if (timedTranscribe)
                co_return co_await timedTranscribe(std::move(wav), std::move(run), std::move(stop));
            co_return ChunkTranscript::whole(co_await transcribe(std::move(wav), run.modelID, std::move(stop)));
        };
        services.client = std::make_shared<ModelClient>();
        services.ollama = std::make_shared<OllamaClient>();
        // By default: the chunk's number, after letting the event loop run once.
        transcribe = [this](QByteArray wav, QString, std::stop_token) -> QCoro::Task<QString> {
            wavSizes.push_back(wav.size());
            const int call = int(wavSizes.size());
            if (onChunk)
                onChunk(call);
            co_return QStringLiteral("第%1段").arg(call);
        };
        workspace = std::make_unique<Workspace>(*library, prompts, services, true);
        EXPECT_TRUE(TestSupport::waitUntil([this] { return !workspace->loading(); }));
    }

    // Imports real audio as a new note, reloads and selects it.
    Recording importNote(const QString &audio)
    {
        const Recording note = TestSupport::runTask(library->importAudio(audio, std::nullopt));
        reload(note.id);
        return note;
    }

    // Writes a changed note straight to the store and reloads it into the Workspace.
    void store(const Recording &note)
    {
        library->saveNow(LibraryFixture::onDisk(library->root(), note), note);
        reload(note.id);
    }

    void reload(const QString &selected)
    {
        workspace->loadHome();
        EXPECT_TRUE(TestSupport::waitUntil([this] { return !workspace->loading(); }));
        workspace->setSelectedID(selected);
    }

    // The note as the store holds it on disk right now.
    Recording onDisk(const QString &id) const
    {
        const LibrarySnapshot snapshot = LibraryReader::read(library->root(), true, true);
        for (const Recording &recording : snapshot.recordings) {
            if (recording.id == id)
                return recording;
        }
        ADD_FAILURE() << "note not on disk";
        return {};
    }

    // guardMs -1: as long as it takes (the real engine on a busy machine); the test runner's
    // limit ends a run that hangs.
    void waitForJobEnd(int guardMs = 120000)
    {
        EXPECT_TRUE(TestSupport::waitUntil([this] { return !workspace->jobID(); }, guardMs));
    }

    // Starts a job with the default summary preferences and waits for it to end.
    void runJob(bool summary, int guardMs = 120000)
    {
        workspace->startJob(summary, SummaryPreferences());
        waitForJobEnd(guardMs);
    }

    QTemporaryDir dir;
    ModelConfiguration configuration;
    std::map<QString, QString> keys;
    QStringList keyRequests;
    std::unique_ptr<NativeLibrary> library;
    TestSupport::WorkspacePrompts prompts;
    JobServices services;
    Transcribe transcribe;
    // When set, the engine instead of `transcribe`, with timed segments.
    LocalTranscribeFunction timedTranscribe;
    // How the local engine was asked to run each chunk.
    std::vector<WhisperRun> runs;
    std::function<void(int call)> onChunk;
    std::vector<qsizetype> wavSizes;
    std::unique_ptr<Workspace> workspace;
};

} // namespace JobTest
