#include "playback/QtAudioPlayer.h"

#include "platform/Errors.h"
#include "platform/Localization.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

#include <cerrno>
#include <cmath>

QtAudioPlayer::QtAudioPlayer(QObject *parent)
    : AudioPlayer(parent), m_player(new QMediaPlayer(this)), m_output(new QAudioOutput(this))
{
    m_player->setAudioOutput(m_output);
    connect(m_player, &QMediaPlayer::durationChanged, this,
            [this](qint64 milliseconds) { Q_EMIT durationChanged(double(milliseconds) / 1000.0); });
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this] { reportError(); });
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::InvalidMedia)
            reportError();
    });
    // Qt keeps the device it started with; follow the system default when headphones come and go.
    auto *devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioOutputsChanged, this,
            [this] { m_output->setDevice(QMediaDevices::defaultAudioOutput()); });
}

QtAudioPlayer::~QtAudioPlayer()
{
    m_player->stop();
}

void QtAudioPlayer::open(const QString &path)
{
    // Qt Multimedia reports a missing or unreadable file only later and vaguely; check up front so
    // the person gets the system's own reason at once.
    const QFileInfo info(path);
    if (!info.exists())
        throw SystemError::fromErrno(ENOENT, info.fileName());
    if (info.isDir())
        throw SystemError::fromErrno(EISDIR, info.fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SystemError(file.errorString());
    file.close();
    m_failed = false;
    m_player->setSource(QUrl::fromLocalFile(path));
}

void QtAudioPlayer::setRate(float rate)
{
    m_player->setPlaybackRate(double(rate));
}

void QtAudioPlayer::setVolume(float volume)
{
    m_output->setVolume(volume);
}

void QtAudioPlayer::prepare()
{
    // Setting the source already starts loading in the background; nothing more to do.
}

bool QtAudioPlayer::play()
{
    if (m_failed || m_player->source().isEmpty())
        return false;
    m_player->play();
    return m_player->playbackState() == QMediaPlayer::PlayingState && m_player->error() == QMediaPlayer::NoError;
}

void QtAudioPlayer::pause()
{
    m_player->pause();
}

void QtAudioPlayer::stop()
{
    m_player->stop();
}

double QtAudioPlayer::currentTime() const
{
    return double(m_player->position()) / 1000.0;
}

void QtAudioPlayer::setCurrentTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    m_player->setPosition(qint64(std::llround(std::max(0.0, seconds) * 1000.0)));
}

double QtAudioPlayer::duration() const
{
    return double(m_player->duration()) / 1000.0;
}

bool QtAudioPlayer::isPlaying() const
{
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

bool QtAudioPlayer::hasOutputDevice() const
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

void QtAudioPlayer::reportError()
{
    if (m_failed)
        return;
    m_failed = true;
    QString description = m_player->errorString();
    if (description.isEmpty())
        description = L(QStringLiteral("音频格式不受支持或文件已损坏。"));
    Q_EMIT failed(description);
}
