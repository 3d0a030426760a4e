#include "player/PlayerModel.h"
#include "SourceBinding.h"

#include "library/Recording.h"
#include "platform/Localization.h"
#include "processing/JobMessages.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

PlayerModel::PlayerModel(QObject *parent)
    : QObject(parent)
{
}

void PlayerModel::setAudio(AudioController *audio)
{
    if (!rebindSource(this, m_audio, audio))
        return;
    if (m_audio) {
        connect(m_audio, &AudioController::isPlayingChanged, this, &PlayerModel::playingChanged);
        connect(m_audio, &AudioController::hasPlayerChanged, this, &PlayerModel::hasPlayerChanged);
        connect(m_audio, &AudioController::loadingChanged, this, &PlayerModel::loadingChanged);
        connect(m_audio, &AudioController::loadingChanged, this, &PlayerModel::totalChanged);
        connect(m_audio, &AudioController::positionChanged, this, &PlayerModel::positionChanged);
        connect(m_audio, &AudioController::durationChanged, this, &PlayerModel::positionChanged);
        connect(m_audio, &AudioController::durationChanged, this, &PlayerModel::totalChanged);
        connect(m_audio, &AudioController::peaksChanged, this, &PlayerModel::peaksChanged);
        connect(m_audio, &AudioController::errorChanged, this, &PlayerModel::errorChanged);
        connect(m_audio, &AudioController::rateChanged, this, &PlayerModel::rateChanged);
        connect(m_audio, &AudioController::volumeChanged, this, &PlayerModel::volumeChanged);
    }
    Q_EMIT audioChanged();
    for (auto signal : {&PlayerModel::playingChanged, &PlayerModel::hasPlayerChanged, &PlayerModel::loadingChanged,
                        &PlayerModel::positionChanged, &PlayerModel::totalChanged, &PlayerModel::peaksChanged,
                        &PlayerModel::errorChanged, &PlayerModel::rateChanged, &PlayerModel::volumeChanged})
        Q_EMIT(this->*signal)();
}

QString PlayerModel::elapsedLabel() const
{
    return timeLabel(m_audio ? m_audio->position() : 0);
}

QString PlayerModel::totalLabel() const
{
    if (loading())
        return L(QStringLiteral("正在读取波形…"));
    return timeLabel(m_audio ? m_audio->duration() : 0);
}

qreal PlayerModel::fraction() const
{
    if (!m_audio || !(m_audio->duration() > 0))
        return 0;
    const double share = m_audio->position() / m_audio->duration();
    return std::isnan(share) ? 0 : std::clamp(share, 0.0, 1.0);
}

QString PlayerModel::accessibleValue() const
{
    return JobMessages::fill(L(QStringLiteral("%@，共 %@")), {elapsedLabel(), totalLabel()});
}

QList<qreal> PlayerModel::peaks() const
{
    QList<qreal> list;
    if (!m_audio)
        return list;
    list.reserve(qsizetype(m_audio->peaks().size()));
    for (const float peak : m_audio->peaks())
        list.append(peak);
    return list;
}

QString PlayerModel::errorText() const
{
    return m_audio ? m_audio->error().value_or(QString()) : QString();
}

QStringList PlayerModel::rateLabels() const
{
    QStringList labels;
    for (const float rate : AudioController::rates())
        labels.append(rateLabel(rate));
    return labels;
}

void PlayerModel::setVolume(qreal volume)
{
    if (m_audio)
        m_audio->setVolume(float(std::clamp<qreal>(volume, 0, 1)));
}

QString PlayerModel::rateLabel(float rate)
{
    return QLocale().toString(double(rate), 'g', QLocale::FloatingPointShortest) + QStringLiteral("×");
}

void PlayerModel::toggle()
{
    if (m_audio)
        m_audio->toggle();
}

void PlayerModel::seekFraction(qreal fraction)
{
    if (m_audio)
        m_audio->seek(std::clamp<qreal>(std::isnan(fraction) ? 0 : fraction, 0, 1) * m_audio->duration());
}

void PlayerModel::seekBy(double seconds)
{
    if (m_audio)
        m_audio->seek(m_audio->position() + seconds);
}

void PlayerModel::chooseRate(int index)
{
    const std::vector<float> &rates = AudioController::rates();
    if (m_audio && index >= 0 && index < int(rates.size()))
        m_audio->setRate(rates[size_t(index)]);
}
