#pragma once

#include <QObject>
#include <QString>

// The audio player behind AudioController: one file, play/pause, position, rate and volume.
// Opening may finish later than open() returns (Qt Multimedia loads in the background), so the
// player announces its real duration and any late failure through signals. Times are seconds.
class AudioPlayer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~AudioPlayer() override = default;

    // Starts opening the file. Throws SystemError when it cannot be opened at all; a failure
    // found while loading arrives later through failed().
    virtual void open(const QString &path) = 0;
    virtual void setRate(float rate) = 0;
    virtual void setVolume(float volume) = 0;
    // Gets the file ready so that the first play starts without delay.
    virtual void prepare() = 0;
    // Starts playback; false when the player refused to start.
    virtual bool play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual double currentTime() const = 0;
    virtual void setCurrentTime(double seconds) = 0;
    // 0 until the length is known.
    virtual double duration() const = 0;
    virtual bool isPlaying() const = 0;
    // False when the system has no audio output, so playing would be silent.
    virtual bool hasOutputDevice() const = 0;

Q_SIGNALS:
    void durationChanged(double seconds);
    // The file turned out to be unplayable after open() returned; the text describes why.
    void failed(const QString &description);
};
