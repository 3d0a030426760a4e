#include "playback/AudioController.h"

#include "platform/Async.h"
#include "platform/Errors.h"
#include "playback/QtAudioPlayer.h"
#include "playback/WaveformReader.h"
#include "platform/Localization.h"

#include <QPointer>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// A player that has run to its end reports a time a few milliseconds short of its length;
// pressing play there starts over instead of stopping again at once.
constexpr double endTolerance = 0.05;

// audioURL holds a path; older callers may hand in a file: URL.
QString localPath(const QString &location)
{
    if (location.startsWith(QLatin1String("file:")))
        return QUrl(location).toLocalFile();
    return location;
}

QString formatted(const QString &key, const QString &argument)
{
    QString text = L(key);
    return text.replace(QLatin1String("%@"), argument);
}

} // namespace

const std::vector<float> &AudioController::rates()
{
    static const std::vector<float> values{0.75f, 1.0f, 1.25f, 1.5f, 2.0f};
    return values;
}

AudioController::AudioController(PlayerFactory playerFactory, WaveformRead waveformRead, QObject *parent)
    : QObject(parent), m_playerFactory(std::move(playerFactory)), m_waveformRead(std::move(waveformRead))
{
    if (!m_playerFactory)
        m_playerFactory = [] { return std::make_unique<QtAudioPlayer>(); };
    if (!m_waveformRead)
        m_waveformRead = [](QString path, int bins, std::stop_token stop) {
            return WaveformReader::read(path, bins, stop);
        };
    m_waveformPool.setMaxThreadCount(1);
    m_waveformPool.setThreadPriority(QThread::LowPriority);
    m_ticker.setInterval(100);
    connect(&m_ticker, &QTimer::timeout, this, [this] {
        if (m_isPlaying)
            tick();
    });
}

AudioController::~AudioController()
{
    cancelLoad();
    if (m_player)
        m_player->stop();
    m_player.reset();
    m_waveformPool.waitForDone();
}

void AudioController::setRate(float rate)
{
    if (!std::isfinite(rate) || rate <= 0)
        return;
    if (m_player)
        m_player->setRate(rate);
    if (rate == m_rate)
        return;
    m_rate = rate;
    Q_EMIT rateChanged();
}

void AudioController::setVolume(float volume)
{
    if (std::isnan(volume))
        return;
    volume = std::clamp(volume, 0.0f, 1.0f);
    if (m_player)
        m_player->setVolume(volume);
    if (volume == m_volume)
        return;
    m_volume = volume;
    Q_EMIT volumeChanged();
}

QCoro::Task<> AudioController::load(Recording record)
{
    cancelLoad();
    dropPlayer();
    std::stop_source stop;
    m_loadStop = stop;
    m_record = record;
    resetState(record.duration);

    if (!record.audioURL) {
        setError(L(QStringLiteral("没有找到播放文件，仍可阅读文字。")));
        co_return;
    }
    const QString path = localPath(*record.audioURL);
    if (!openPlayer(path))
        co_return;

    setLoading(true);
    QPointer<AudioController> self(this);
    const QString recordID = record.id;
    std::vector<float> peaks;
    std::exception_ptr failure;
    try {
        auto read = [read = m_waveformRead, path, token = stop.get_token()] {
            return read(path, waveformBins, token);
        };
        peaks = co_await runOn(&m_waveformPool, std::move(read));
    } catch (...) {
        failure = std::current_exception();
    }
    // A newer load, an unload or the end of the controller: this result belongs to nobody now.
    if (!self || stop.stop_requested() || !m_record || m_record->id != recordID)
        co_return;
    setLoading(false);
    if (!failure) {
        setPeaks(std::move(peaks));
    } else if (m_player) {
        setError(L(QStringLiteral("波形读取失败，可继续使用进度条播放。")));
    } else if (!m_error) {
        // The player already gave up on the file and said why; keep its reason.
        setError(formatted(QStringLiteral("无法播放此音频：%@"), describeError(failure)));
    }
}

void AudioController::unload()
{
    cancelLoad();
    dropPlayer();
    m_record.reset();
    resetState(0);
}

void AudioController::updateTranscript(const Recording &record)
{
    if (!m_record || m_record->id != record.id)
        return;
    m_record = record;
    setActiveSegmentID(m_record->activeSegment(m_position));
}

void AudioController::toggle()
{
    if (!m_player)
        return;
    if (!m_player->isPlaying()) {
        if (m_player->currentTime() >= playerDuration() - endTolerance)
            m_player->setCurrentTime(0);
        startPlaying();
    } else {
        m_player->pause();
    }
    setIsPlaying(m_player->isPlaying());
    tick();
}

void AudioController::seek(double seconds)
{
    if (!m_player)
        return;
    const double target = std::isnan(seconds) ? 0.0 : std::max(0.0, seconds);
    m_player->setCurrentTime(std::min(playerDuration(), target));
    tick();
}

void AudioController::playSegment(const Segment &segment)
{
    if (m_player) {
        const double start = std::isfinite(segment.start) ? std::max(0.0, segment.start) : 0.0;
        m_player->setCurrentTime(std::min(playerDuration(), start));
        if (!m_player->isPlaying())
            startPlaying();
    }
    tick();
}

void AudioController::tick()
{
    if (!m_player)
        return;
    if (m_isPlaying && !m_player->isPlaying()) {
        // The player ran to the end by itself: show the full length and no highlighted row.
        setPosition(m_duration);
        setIsPlaying(false);
        setActiveSegmentID(std::nullopt);
        return;
    }
    setPosition(m_player->currentTime());
    setIsPlaying(m_player->isPlaying());
    setActiveSegmentID(m_record ? m_record->activeSegment(m_position) : std::nullopt);
}

void AudioController::resetState(double duration)
{
    setPosition(0);
    setDuration(duration);
    setIsPlaying(false);
    setActiveSegmentID(std::nullopt);
    setPeaks({});
    setError(std::nullopt);
    setLoading(false);
}

bool AudioController::openPlayer(const QString &path)
{
    try {
        std::unique_ptr<AudioPlayer> player = m_playerFactory();
        AudioPlayer *raw = player.get();
        connect(raw, &AudioPlayer::durationChanged, this,
                [this, raw](double seconds) { onPlayerDuration(raw, seconds); });
        connect(raw, &AudioPlayer::failed, this,
                [this, raw](const QString &description) { onPlayerFailed(raw, description); });
        player->open(path);
        player->setRate(m_rate);
        player->setVolume(m_volume);
        player->prepare();
        m_player = std::move(player);
    } catch (...) {
        setError(formatted(QStringLiteral("无法播放此音频：%@"), describeCurrentError()));
        return false;
    }
    Q_EMIT hasPlayerChanged();
    // Qt Multimedia learns the length only after loading; until then the stored one stands.
    if (m_player->duration() > 0)
        setDuration(m_player->duration());
    return true;
}

void AudioController::dropPlayer()
{
    if (!m_player)
        return;
    m_player->disconnect(this);
    m_player->stop();
    // The player may be in the middle of emitting a signal that led here.
    m_player.release()->deleteLater();
    m_ticker.stop();
    Q_EMIT hasPlayerChanged();
}

void AudioController::cancelLoad()
{
    if (m_loadStop)
        m_loadStop->request_stop();
    m_loadStop.reset();
}

bool AudioController::startPlaying()
{
    if (!m_player->play()) {
        setError(L(QStringLiteral("音频无法开始播放。")));
        return false;
    }
    // Qt plays into a silent fake device when the system has no audio output; say so rather than
    // let the play head run without sound.
    if (!m_player->hasOutputDevice())
        setError(L(QStringLiteral("没有找到音频输出设备，播放没有声音。")));
    return true;
}

double AudioController::playerDuration() const
{
    const double length = m_player ? m_player->duration() : 0.0;
    return length > 0 ? length : m_duration;
}

void AudioController::onPlayerDuration(AudioPlayer *player, double seconds)
{
    if (player == m_player.get() && std::isfinite(seconds) && seconds > 0)
        setDuration(seconds);
}

void AudioController::onPlayerFailed(AudioPlayer *player, const QString &description)
{
    if (player != m_player.get())
        return;
    dropPlayer();
    setIsPlaying(false);
    setError(formatted(QStringLiteral("无法播放此音频：%@"), description));
}

void AudioController::setPosition(double position)
{
    if (position == m_position)
        return;
    m_position = position;
    Q_EMIT positionChanged();
}

void AudioController::setDuration(double duration)
{
    if (duration == m_duration)
        return;
    m_duration = duration;
    Q_EMIT durationChanged();
}

void AudioController::setIsPlaying(bool playing)
{
    if (playing == m_isPlaying)
        return;
    m_isPlaying = playing;
    if (playing)
        m_ticker.start();
    else
        m_ticker.stop();
    Q_EMIT isPlayingChanged();
}

void AudioController::setActiveSegmentID(const std::optional<QString> &id)
{
    if (id == m_activeSegmentID)
        return;
    m_activeSegmentID = id;
    Q_EMIT activeSegmentIDChanged();
}

void AudioController::setPeaks(std::vector<float> peaks)
{
    if (peaks == m_peaks)
        return;
    m_peaks = std::move(peaks);
    Q_EMIT peaksChanged();
}

void AudioController::setLoading(bool loading)
{
    if (loading == m_loading)
        return;
    m_loading = loading;
    Q_EMIT loadingChanged();
}

void AudioController::setError(const std::optional<QString> &error)
{
    if (error == m_error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}
