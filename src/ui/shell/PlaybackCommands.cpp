#include "PlaybackCommands.h"
#include "SourceBinding.h"

#include "platform/Localization.h"
#include "playback/AudioController.h"

#include <algorithm>

PlaybackCommands::PlaybackCommands(QObject *parent) : QObject(parent) {}

void PlaybackCommands::setAudio(AudioController *audio)
{
    if (!rebindSource(this, m_audio, audio))
        return;
    if (m_audio)
        connect(m_audio, &AudioController::isPlayingChanged, this, &PlaybackCommands::toggleTitleChanged);
    Q_EMIT audioChanged();
    Q_EMIT toggleTitleChanged();
}

QString PlaybackCommands::toggleTitle() const
{
    return m_audio && m_audio->isPlaying() ? L(QStringLiteral("暂停")) : L(QStringLiteral("播放"));
}

void PlaybackCommands::toggle()
{
    if (m_audio)
        m_audio->toggle();
}

void PlaybackCommands::skip(double seconds)
{
    if (m_audio && m_audio->hasPlayer())
        m_audio->seek(std::max(0.0, m_audio->position() + seconds));
}
