#include "services/LocalTranscriber.h"

#include "platform/AppPaths.h"
#include "platform/Async.h"
#include "platform/Errors.h"
#include "platform/MediaFile.h"
#include "services/EngineDevice.h"
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
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <sched.h>
#include <set>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

const QString engineMissing = QStringLiteral("转写引擎缺失，请重新安装 Hushnote。");
const QString timedOut = QStringLiteral("本地转写超时，请尝试较小的模型。");
const QString engineFailed = QStringLiteral("本地转写失败，请检测模型或尝试较小的模型。");
const QString unreadable = QStringLiteral("转写结果无法读取。");

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
    // Nothing over silence is whisper's answer for a chunk without speech, not a failure.
    return text.trimmed();
}

// The engine's own segments with their times and the language it worked in, when its JSON output
// is there and readable.
void readTimed(const QString &path, ChunkTranscript &transcript)
{
    QFile file(path);
    if (file.size() >= LocalTranscriber::outputLimit || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray json = file.readAll();
    transcript.segments = WhisperOutput::parse(json);
    transcript.language = WhisperOutput::language(json);
}

// The start of the helper's log, where it names its device; empty when there is none.
QByteArray readLogStart(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(65536);
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

// Whisper's voice activity detection: silence is skipped (the times stay on the chunk's timeline),
// so nothing is made up over it and quiet stretches cost nothing.
QStringList detectorArguments(const QString &model)
{
    if (model.isEmpty())
        return {};
    return {QStringLiteral("--vad"), QStringLiteral("-vm"), model};
}

// What one run of the helper gets, besides the chunk.
struct RunSettings {
    QString executable;
    QString modelFile;
    QString language;
    int threads = 1;
    // The voice detector's model file; empty to run without it.
    QString voiceDetector;
    std::chrono::milliseconds limit;
};

// The helper in its own folder, with this program's environment and no input or output.
void prepareHelper(QProcess &process, const QString &executable)
{
    process.setProgram(executable);
    process.setWorkingDirectory(QFileInfo(executable).absolutePath());
    // A backend path inherited from elsewhere would make whisper-cli load foreign code.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("GGML_BACKEND_PATH"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
}

void configure(QProcess &process, const RunSettings &settings, const WorkFolder &work, bool retry)
{
    prepareHelper(process, settings.executable);
    process.setArguments(QStringList{QStringLiteral("-m"), settings.modelFile, QStringLiteral("-f"),
                                     work.file(QStringLiteral("audio.wav")), QStringLiteral("-l"), settings.language,
                                     QStringLiteral("-otxt"), QStringLiteral("-of"), work.file(QStringLiteral("transcript")),
                                     QStringLiteral("-t"), QString::number(settings.threads)}
                         + loopArguments(retry) + detectorArguments(settings.voiceDetector));
    // The helper's log says which device it ran on.
    process.setStandardErrorFile(work.file(QStringLiteral("helper.log")));
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
QCoro::Task<std::pair<ChunkTranscript, bool>> runChunk(QByteArray wav, RunSettings settings, std::stop_token stop,
                                                       bool retry)
{
    WorkFolder work;
    const QString folder = work.path();
    const QString audioFile = work.file(QStringLiteral("audio.wav"));
    // Work handed to the pool is named first: g++ 12 destroys a temporary in a co_await twice.
    auto prepareFolder = [folder, audioFile, wav] { prepare(folder, audioFile, wav); };
    co_await runInBackground(std::move(prepareFolder));

    QProcess process;
    configure(process, settings, work, retry);
    if (stop.stop_requested())
        throw Cancelled();
    co_await supervise(&process, settings.limit, stop);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw AppFailure(engineFailed);

    const QString transcript = work.file(QStringLiteral("transcript.txt"));
    const QString timed = work.file(QStringLiteral("transcript.json"));
    const QString log = work.file(QStringLiteral("helper.log"));
    auto read = [transcript, timed, log] {
        ChunkTranscript result = ChunkTranscript::whole(readTranscript(transcript));
        readTimed(timed, result);
        const bool loops = RepeatGuard::loops(result);
        return std::make_tuple(std::move(result), loops, WhisperOutput::device(readLogStart(log)));
    };
    auto [result, loops, device] = co_await runInBackground(std::move(read));
    if (device)
        EngineDevice::shared().report(*device);
    co_return std::make_pair(std::move(result), loops);
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

void LocalTranscriber::checkLoads(const QString &executable, const QString &modelFile)
{
    const QFileInfo program(executable);
    if (!program.isFile() || !program.isExecutable())
        throw AppFailure(engineMissing);
    // One second of 16 kHz mono 16-bit silence.
    QByteArray wav = MediaFile::waveHeader(16000 * 2);
    wav.append(QByteArray(16000 * 2, '\0'));
    WorkFolder work;
    prepare(work.path(), work.file(QStringLiteral("audio.wav")), wav);
    QProcess process;
    prepareHelper(process, executable);
    process.setArguments({QStringLiteral("-m"), modelFile, QStringLiteral("-f"), work.file(QStringLiteral("audio.wav")),
                          QStringLiteral("-otxt"), QStringLiteral("-of"), work.file(QStringLiteral("transcript")),
                          QStringLiteral("-t"), QString::number(defaultThreads())});
    process.start();
    if (!process.waitForStarted(-1))
        throw SystemError(process.errorString(), int(process.error()));
    QByteArray errors;
    while (!process.waitForFinished(100))
        errors = (errors + process.readAllStandardError()).right(65536);
    errors = (errors + process.readAllStandardError()).right(65536);
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
        && QFileInfo(work.file(QStringLiteral("transcript.txt"))).isFile())
        return;
    // The helper's own words on why: its error lines, else its last line.
    QStringList reasons;
    const QStringList lines = QString::fromUtf8(errors).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QString lower = line.toLower();
        if (lower.contains(QLatin1String("error")) || lower.contains(QLatin1String("invalid"))
            || lower.contains(QLatin1String("failed")))
            reasons << line.trimmed();
    }
    if (reasons.isEmpty() && !lines.isEmpty())
        reasons << lines.last().trimmed();
    if (reasons.isEmpty())
        reasons << QStringLiteral("exit status %1").arg(process.exitCode());
    throw AppFailure(QStringLiteral("模型文件无法加载：%@"), {reasons.mid(0, 3).join(QStringLiteral("; "))});
}

int LocalTranscriber::defaultThreads()
{
    // Logical processors that share a core have the same package and core id.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const bool known = ::sched_getaffinity(0, sizeof(allowed), &allowed) == 0;
    std::set<std::pair<QByteArray, QByteArray>> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (known && !CPU_ISSET(cpu, &allowed))
            continue;
        const QString topology = QStringLiteral("/sys/devices/system/cpu/cpu%1/topology/").arg(cpu);
        QFile package(topology + QStringLiteral("physical_package_id"));
        QFile core(topology + QStringLiteral("core_id"));
        if (!package.open(QIODevice::ReadOnly) || !core.open(QIODevice::ReadOnly))
            continue;
        cores.emplace(package.readAll().trimmed(), core.readAll().trimmed());
    }
    if (!cores.empty())
        return int(cores.size());
    return std::max(1, known ? CPU_COUNT(&allowed) : QThread::idealThreadCount());
}

QCoro::Task<ChunkTranscript> LocalTranscriber::transcribe(QByteArray wav, WhisperRun run, std::stop_token stop)
{
    // Everything this call needs is copied first, so the transcriber may go away while it runs.
    WhisperModels *models = m_models;
    RunSettings settings;
    settings.executable = m_executable;
    settings.limit = m_timeLimit;
    settings.language = run.language.isEmpty() ? QStringLiteral("auto") : run.language;
    settings.threads = run.threads > 0 ? run.threads : defaultThreads();

    const QFileInfo program(settings.executable);
    if (!program.isFile() || !program.isExecutable())
        throw AppFailure(engineMissing);
    const WhisperModel model = co_await models->verifyInstalled(run.modelID, stop);
    settings.modelFile = models->installedFile(model);
    if (run.voiceDetection) {
        QCoro::Task<std::optional<QString>> detector = models->verifiedVoiceDetector(stop);
        settings.voiceDetector = (co_await detector).value_or(QString());
    }
    QCoro::Task<std::pair<ChunkTranscript, bool>> firstRun = runChunk(wav, settings, stop, false);
    std::pair<ChunkTranscript, bool> first = co_await firstRun;
    if (!first.second)
        co_return std::move(first.first);
    // One more run with settings that break loops; what it returns may still loop, which the job
    // then cuts down and reports.
    QCoro::Task<std::pair<ChunkTranscript, bool>> retry = runChunk(std::move(wav), settings, stop, true);
    co_return (co_await retry).first;
}
