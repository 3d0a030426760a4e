#pragma once

#include "playback/AudioController.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqml.h>

// The player bar's view of the shared AudioController: the labels, the played fraction, the
// speeds and the seeking rules, in forms QML can bind to.
class PlayerModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(PlayerModel)
    Q_PROPERTY(AudioController *audio READ audio WRITE setAudio NOTIFY audioChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY playingChanged)
    Q_PROPERTY(bool hasPlayer READ hasPlayer NOTIFY hasPlayerChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QString elapsedLabel READ elapsedLabel NOTIFY positionChanged)
    // The total time, or "正在读取波形…" while the waveform is read.
    Q_PROPERTY(QString totalLabel READ totalLabel NOTIFY totalChanged)
    Q_PROPERTY(qreal fraction READ fraction NOTIFY positionChanged)
    Q_PROPERTY(QString accessibleValue READ accessibleValue NOTIFY positionChanged)
    Q_PROPERTY(QList<qreal> peaks READ peaks NOTIFY peaksChanged)
    Q_PROPERTY(QString errorText READ errorText NOTIFY errorChanged)
    Q_PROPERTY(QString rateLabel READ rateLabel NOTIFY rateChanged)
    Q_PROPERTY(QStringList rateLabels READ rateLabels CONSTANT)
    Q_PROPERTY(qreal volume READ volume WRITE setVolume NOTIFY volumeChanged)

public:
    // Seconds moved by the waveform's accessible increment and decrement.
    static constexpr double step = 5;

    explicit PlayerModel(QObject *parent = nullptr);

    AudioController *audio() const { return m_audio; }
    void setAudio(AudioController *audio);

    bool isPlaying() const { return m_audio && m_audio->isPlaying(); }
    bool hasPlayer() const { return m_audio && m_audio->hasPlayer(); }
    bool loading() const { return m_audio && m_audio->loading(); }
    QString elapsedLabel() const;
    QString totalLabel() const;
    // position / duration when duration > 0, else 0; within 0...1.
    qreal fraction() const;
    // "%@，共 %@" with the elapsed and the total time.
    QString accessibleValue() const;
    QList<qreal> peaks() const;
    QString errorText() const;
    QString rateLabel() const { return rateLabel(m_audio ? m_audio->rate() : 1.0f); }
    QStringList rateLabels() const;
    qreal volume() const { return m_audio ? m_audio->volume() : 0.75; }
    void setVolume(qreal volume);

    // The rate in the shortest number form followed by "×" ("1.25×", "2×").
    static QString rateLabel(float rate);

    Q_INVOKABLE void toggle();
    // Seeks to this share of the duration (clamped to 0...1).
    Q_INVOKABLE void seekFraction(qreal fraction);
    // Seeks by this many seconds from the play head (the seek clamps to the audio).
    Q_INVOKABLE void seekBy(double seconds);
    // Chooses the rate at this index of rateLabels.
    Q_INVOKABLE void chooseRate(int index);

Q_SIGNALS:
    void audioChanged();
    void playingChanged();
    void hasPlayerChanged();
    void loadingChanged();
    void positionChanged();
    void totalChanged();
    void peaksChanged();
    void errorChanged();
    void rateChanged();
    void volumeChanged();

private:
    QPointer<AudioController> m_audio;
};
