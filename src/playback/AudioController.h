#pragma once

#include "library/Recording.h"
#include "playback/AudioPlayer.h"

#include <QCoroTask>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

// Plays the selected note's audio, keeps the play head, rate and volume, tells the transcript which
// segment is being heard and holds the waveform peaks for the player bar. One instance lives on the
// main thread for the life of the program; it never changes a note. Every operation returns at once
// when no player is open, and no failure is thrown: each ends up in error.
class AudioController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AudioController)
    Q_PROPERTY(double position READ position NOTIFY positionChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(std::optional<QString> activeSegmentID READ activeSegmentID NOTIFY activeSegmentIDChanged)
    Q_PROPERTY(std::vector<float> peaks READ peaks NOTIFY peaksChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(float rate READ rate WRITE setRate NOTIFY rateChanged)
    Q_PROPERTY(float volume READ volume WRITE setVolume NOTIFY volumeChanged)
    Q_PROPERTY(bool hasPlayer READ hasPlayer NOTIFY hasPlayerChanged)

public:
    using PlayerFactory = std::function<std::unique_ptr<AudioPlayer>()>;
    // Peaks of an audio file: (path, bins, stop) -> bins values in 0...1. Throws on failure and
    // Cancelled when stopped.
    using WaveformRead = std::function<std::vector<float>(QString, int, std::stop_token)>;

    static constexpr int waveformBins = 640;
    // The speeds the player bar offers.
    static const std::vector<float> &rates();

    // Empty arguments stand for the Qt Multimedia player and the real waveform reader.
    explicit AudioController(PlayerFactory playerFactory = {}, WaveformRead waveformRead = {},
                             QObject *parent = nullptr);
    ~AudioController() override;

    double position() const { return m_position; }
    double duration() const { return m_duration; }
    bool isPlaying() const { return m_isPlaying; }
    const std::optional<QString> &activeSegmentID() const { return m_activeSegmentID; }
    const std::vector<float> &peaks() const { return m_peaks; }
    bool loading() const { return m_loading; }
    const std::optional<QString> &error() const { return m_error; }
    float rate() const { return m_rate; }
    float volume() const { return m_volume; }
    // The id of the loaded note, if any (a view rebuilt for another language keeps playing it).
    std::optional<QString> recordID() const { return m_record ? std::optional<QString>(m_record->id) : std::nullopt; }
    // False while nothing can be played (the controls then do nothing).
    bool hasPlayer() const { return m_player != nullptr; }

    // Applied to the open player at once and kept for the next one.
    void setRate(float rate);
    void setVolume(float volume);

    // Makes the note the current one, opens its audio and reads its waveform. A newer load or an
    // unload cancels this one; its results are then never applied.
    QCoro::Task<> load(Recording record);
    void unload();
    // A newer version of the current note (after an edit or a processing step); keeps playing.
    void updateTranscript(const Recording &record);
    void toggle();
    // Moves the play head without changing whether it plays.
    void seek(double seconds);
    void playSegment(const Segment &segment);
    // Reads the play head back from the player. Runs every 0.1 s while playing.
    void tick();

Q_SIGNALS:
    void positionChanged();
    void durationChanged();
    void isPlayingChanged();
    void activeSegmentIDChanged();
    void peaksChanged();
    void loadingChanged();
    void errorChanged();
    void rateChanged();
    void volumeChanged();
    void hasPlayerChanged();

private:
    void resetState(double duration);
    bool openPlayer(const QString &path);
    void dropPlayer();
    void cancelLoad();
    bool startPlaying();
    double playerDuration() const;
    void onPlayerDuration(AudioPlayer *player, double seconds);
    void onPlayerFailed(AudioPlayer *player, const QString &description);

    void setPosition(double position);
    void setDuration(double duration);
    void setIsPlaying(bool playing);
    void setActiveSegmentID(const std::optional<QString> &id);
    void setPeaks(std::vector<float> peaks);
    void setLoading(bool loading);
    void setError(const std::optional<QString> &error);

    PlayerFactory m_playerFactory;
    WaveformRead m_waveformRead;
    std::unique_ptr<AudioPlayer> m_player;
    std::optional<Recording> m_record;
    std::optional<std::stop_source> m_loadStop;

    double m_position = 0;
    double m_duration = 0;
    bool m_isPlaying = false;
    std::optional<QString> m_activeSegmentID;
    std::vector<float> m_peaks;
    bool m_loading = false;
    std::optional<QString> m_error;
    float m_rate = 1.0f;
    float m_volume = 0.75f;

    QTimer m_ticker;
    // Waveform reads run here at low priority so they never compete with the interface.
    QThreadPool m_waveformPool;
};
