#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqml.h>

class AudioController;

// The "播放" menu: play or pause, ten seconds back, ten seconds forward. Always enabled; without a
// loaded player they do nothing.
class PlaybackCommands : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(PlaybackCommands)
    Q_PROPERTY(AudioController *audio READ audio WRITE setAudio NOTIFY audioChanged)
    // "暂停" while playing, else "播放".
    Q_PROPERTY(QString toggleTitle READ toggleTitle NOTIFY toggleTitleChanged)

public:
    explicit PlaybackCommands(QObject *parent = nullptr);

    AudioController *audio() const { return m_audio; }
    void setAudio(AudioController *audio);
    QString toggleTitle() const;

    Q_INVOKABLE void toggle();
    // Moves the play head by seconds, never before 0 (the controller clamps at the end).
    Q_INVOKABLE void skip(double seconds);

Q_SIGNALS:
    void audioChanged();
    void toggleTitleChanged();

private:
    QPointer<AudioController> m_audio;
};
