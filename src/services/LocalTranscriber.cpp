#include "services/LocalTranscriber.h"

#include "platform/AppPaths.h"
#include "platform/Async.h"
#include "platform/Errors.h"
#include "services/RepeatGuard.h"
#include "services/WhisperModels.h"
#include "services/WhisperOutput.h"

#include <QCoroProcess>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

const QString engineMissing = QStringLiteral("转写引擎缺失，请重新安装 Hushnote。");
const QString timedOut = QStringLiteral("本地转写超时，请尝试较小的模型。");
const QString engineFailed = QStringLiteral("本地转写失败，请检测模型或尝试较小的模型。");
const QString unreadable = QStringLiteral("转写结果无法读取。");
const QString nothingRecognised = QStringLiteral("此片段没有识别出文字，已保留之前的进度。");

constexpr auto pollInterval = 100ms;

// The chunk's private folder, removed with everything in it however the chunk ends.
class WorkFolder final {
public:
    WorkFolder()
        : m_path(QDir(QDir::tempPath())
                     .filePath(QStringLiteral("hushnote-whisper-") + QUuid::createUuid().toString(QUuid::WithoutBraces)))
    {
    }
    ~WorkFolder() { QDir(m_path).removeRecursively(); }
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    const QString &path() const { return m_path; }
    QString file(const QString &name) const { return QDir(m_path).filePath(name); }

private:
    QString m_path;
};

// Creates the folder readable by this user only and puts the chunk in it.
void prepare(const QString &folder, const QString &audioFile, const QByteArray &wav)
{
    QDir().mkpath(QFileInfo(folder).absolutePath());
    // mkdir, not "create if missing": a folder someone else made in the shared temporary folder is refused.
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0)
        throw SystemError::fromErrno(errno, folder);
    QFile audio(audioFile);
    if (!audio.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw SystemError(audio.errorString(), int(audio.error()));
    if (audio.write(wav) != wav.size() || !audio.flush())
        throw SystemError(audio.errorString(), int(audio.error()));
}

QString readTranscript(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() >= LocalTranscriber::outputLimit)
        throw AppFailure(unreadable);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SystemError(file.errorString(), int(file.error()));
    const QByteArray bytes = file.read(LocalTranscriber::outputLimit);
    if (file.error() != QFileDevice::NoError)
        throw SystemError(file.errorString(), int(file.error()));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw AppFailure(unreadable);
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        throw AppFailure(nothingRecognised);
    return trimmed;
}

// The engine's own segments with their times, when its JSON output is there and readable.
std::vector<TimedText> readSegments(const QString &path)
{
    QFile file(path);
    if (file.size() >= LocalTranscriber::outputLimit || !file.open(QIODevice::ReadOnly))
        return {};
    return WhisperOutput::parse(file.readAll());
}

// Settings against repetition loops. Every run suppresses non-speech tokens ("[音乐]", "♪"),
// which whisper otherwise writes over music and silence and then keeps repeating, and judges a
// decode as failed a little sooner than whisper's default entropy threshold (2.4), so its own
// temperature fallback breaks a loop that is forming. A retry after a loop also keeps no
// earlier text as context (so the second 30-second window cannot copy the first), is stricter
// still, and starts sampling above temperature 0 so it does not walk the same path again.
QStringList loopArguments(bool retry)
{
    QStringList arguments{QStringLiteral("-oj"), QStringLiteral("-sns"), QStringLiteral("-et")};
    if (!retry)
        return arguments << QStringLiteral("2.6");
    return arguments << QStringLiteral("2.8") << QStringLiteral("-mc") << QStringLiteral("0") << QStringLiteral("-tp")
                     << QStringLiteral("0.2");
}

void configure(QProcess &process, const QString &executable, const QString &modelFile, const WorkFolder &work,
               bool retry)
{
    process.setProgram(executable);
    process.setWorkingDirectory(QFileInfo(executable).absolutePath());
    process.setArguments(QStringList{QStringLiteral("-m"), modelFile, QStringLiteral("-f"),
                                     work.file(QStringLiteral("audio.wav")), QStringLiteral("-l"), QStringLiteral("auto"),
                                     QStringLiteral("-otxt"), QStringLiteral("-of"), work.file(QStringLiteral("transcript")),
                                     QStringLiteral("-np")}
                         + loopArguments(retry));
    // A backend path inherited from elsewhere would make whisper-cli load foreign code.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("GGML_BACKEND_PATH"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
}

QCoro::Task<> killAndReap(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        co_return;
    process.kill(); // SIGKILL: whisper-cli gets no say
    auto waiter = qCoro(process);
    if (process.state() != QProcess::NotRunning)
        co_await waiter.waitForFinished(-1);
}

// Runs whisper-cli on one prepared chunk. Returns once the process has exited or been killed.
QCoro::Task<> supervise(QProcess *process, std::chrono::milliseconds limit, std::stop_token stop)
{
    auto waiter = qCoro(*process);
    process->start();
    const bool started = co_await waiter.waitForStarted(30s);
    if (!started) {
        co_await killAndReap(*process);
        throw SystemError(process->errorString(), int(process->error()));
    }
    const QDeadlineTimer deadline(limit);
    // A stop from another thread reaches the process on its own thread, at once rather than at the
    // next poll.
    std::stop_callback onStop(stop, [process] {
        QMetaObject::invokeMethod(process, [process] { process->kill(); }, Qt::QueuedConnection);
    });
    while (process->state() != QProcess::NotRunning) {
        if (stop.stop_requested() || deadline.hasExpired())
            break;
        const auto remaining = std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 1));
        co_await waiter.waitForFinished(std::min<std::chrono::milliseconds>(pollInterval, remaining));
    }
    const bool expired = process->state() != QProcess::NotRunning && deadline.hasExpired();
    co_await killAndReap(*process);
    if (stop.stop_requested())
        throw Cancelled();
    if (expired)
        throw AppFailure(timedOut);
}

// The chunk's transcript, and whether it loops.
QCoro::Task<std::pair<ChunkTranscript, bool>> runChunk(QByteArray wav, QString executable, QString modelFile,
                                      std::chrono::milliseconds limit, std::stop_token stop, bool retry)
{
    WorkFolder work;
    const QString folder = work.path();
    const QString audioFile = work.file(QStringLiteral("audio.wav"));
    // Work handed to the pool is named first: g++ 12 destroys a temporary in a co_await twice.
    auto prepareFolder = [folder, audioFile, wav] { prepare(folder, audioFile, wav); };
    co_await runInBackground(std::move(prepareFolder));

    QProcess process;
    configure(process, executable, modelFile, work, retry);
    if (stop.stop_requested())
        throw Cancelled();
    co_await supervise(&process, limit, stop);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw AppFailure(engineFailed);

    const QString transcript = work.file(QStringLiteral("transcript.txt"));
    const QString timed = work.file(QStringLiteral("transcript.json"));
    auto read = [transcript, timed] {
        ChunkTranscript result = ChunkTranscript::whole(readTranscript(transcript));
        result.segments = readSegments(timed);
        const bool loops = RepeatGuard::loops(result);
        return std::make_pair(std::move(result), loops);
    };
    co_return co_await runInBackground(std::move(read));
}

} // namespace

LocalTranscriber::LocalTranscriber(WhisperModels &models, QString executable)
    : m_models(&models)
    , m_executable(executable.isEmpty() ? defaultExecutable() : std::move(executable))
{
}

QString LocalTranscriber::defaultExecutable()
{
    return QDir(AppPaths::helpersFolder()).filePath(QStringLiteral("whisper-cli"));
}

QCoro::Task<ChunkTranscript> LocalTranscriber::transcribe(QByteArray wav, QString modelID, std::stop_token stop)
{
    // Everything this call needs is copied first, so the transcriber may go away while it runs.
    WhisperModels *models = m_models;
    const QString executable = m_executable;
    const std::chrono::milliseconds limit = m_timeLimit;

    const QFileInfo program(executable);
    if (!program.isFile() || !program.isExecutable())
        throw AppFailure(engineMissing);
    const WhisperModel model = co_await models->verifyInstalled(modelID, stop);
    const QString modelFile = models->installedFile(model);
    QCoro::Task<std::pair<ChunkTranscript, bool>> firstRun = runChunk(wav, executable, modelFile, limit, stop, false);
    std::pair<ChunkTranscript, bool> first = co_await firstRun;
    if (!first.second)
        co_return std::move(first.first);
    // One more run with settings that break loops; what it returns may still loop, which the job
    // then cuts down and reports.
    QCoro::Task<std::pair<ChunkTranscript, bool>> retry =
        runChunk(std::move(wav), executable, modelFile, limit, stop, true);
    co_return (co_await retry).first;
}
