#pragma once

#include "playback/AudioPlayer.h"

#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

// A scriptable AudioPlayer: tests set what opening and playing do, move the play head by hand and
// make the player run to its end or fail late, as Qt Multimedia would.
class FakeAudioPlayer final : public AudioPlayer {
    Q_OBJECT

public:
    // What the next created player does; shared with the factory the controller gets.
    struct Script {
        double length = 10;                  // reported by duration() right after open
        std::optional<QString> openFailure;  // open() throws SystemError with this text
        bool playSucceeds = true;
        bool outputDevice = true;
    };

    explicit FakeAudioPlayer(Script script) : m_script(std::move(script)) {}

    void open(const QString &path) override;
    void setRate(float rate) override { m_rate = rate; }
    void setVolume(float volume) override { m_volume = volume; }
    void prepare() override { m_prepared = true; }
    bool play() override;
    void pause() override { m_playing = false; }
    void stop() override { m_playing = false; }
    double currentTime() const override { return m_time; }
    void setCurrentTime(double seconds) override { m_time = seconds; }
    double duration() const override { return m_script.length; }
    bool isPlaying() const override { return m_playing; }
    bool hasOutputDevice() const override { return m_script.outputDevice; }

    // Test controls.
    void advanceTo(double seconds) { m_time = seconds; }
    void runToEnd();
    void announceDuration(double seconds);
    void failLate(const QString &description) { Q_EMIT failed(description); }

    QString path() const { return m_path; }
    float rate() const { return m_rate; }
    float volume() const { return m_volume; }
    bool prepared() const { return m_prepared; }

private:
    Script m_script;
    QString m_path;
    float m_rate = 0;
    float m_volume = 0;
    bool m_prepared = false;
    bool m_playing = false;
    double m_time = 0;
};

// Creates FakeAudioPlayers from a script the test may change between loads, and remembers the
// newest one.
struct FakeAudioPlayerFactory {
    std::shared_ptr<FakeAudioPlayer::Script> script = std::make_shared<FakeAudioPlayer::Script>();
    std::shared_ptr<QPointer<FakeAudioPlayer>> last = std::make_shared<QPointer<FakeAudioPlayer>>();
    std::shared_ptr<int> created = std::make_shared<int>(0);

    std::unique_ptr<AudioPlayer> operator()() const;
    FakeAudioPlayer *player() const { return last->data(); }
};
