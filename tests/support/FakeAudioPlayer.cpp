#include "support/FakeAudioPlayer.h"

#include "platform/Errors.h"

void FakeAudioPlayer::open(const QString &path)
{
    if (m_script.openFailure)
        throw SystemError(*m_script.openFailure);
    m_path = path;
}

bool FakeAudioPlayer::play()
{
    if (!m_script.playSucceeds)
        return false;
    m_playing = true;
    return true;
}

void FakeAudioPlayer::runToEnd()
{
    // Real players stop a hair before their reported length.
    m_time = m_script.length - 0.01;
    m_playing = false;
}

void FakeAudioPlayer::announceDuration(double seconds)
{
    m_script.length = seconds;
    Q_EMIT durationChanged(seconds);
}

std::unique_ptr<AudioPlayer> FakeAudioPlayerFactory::operator()() const
{
    auto player = std::make_unique<FakeAudioPlayer>(*script);
    *last = player.get();
    ++*created;
    return player;
}
