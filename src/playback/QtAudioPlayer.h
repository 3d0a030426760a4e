#pragma once

#include "playback/AudioPlayer.h"

class QAudioOutput;
class QMediaPlayer;

// AudioPlayer on Qt Multimedia (GStreamer on Linux).
class QtAudioPlayer final : public AudioPlayer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtAudioPlayer)

public:
    explicit QtAudioPlayer(QObject *parent = nullptr);
    ~QtAudioPlayer() override;

    void open(const QString &path) override;
    void setRate(float rate) override;
    void setVolume(float volume) override;
    void prepare() override;
    bool play() override;
    void pause() override;
    void stop() override;
    double currentTime() const override;
    void setCurrentTime(double seconds) override;
    double duration() const override;
    bool isPlaying() const override;
    bool hasOutputDevice() const override;

private:
    void reportError();

    QMediaPlayer *m_player;
    QAudioOutput *m_output;
    bool m_failed = false;
};
