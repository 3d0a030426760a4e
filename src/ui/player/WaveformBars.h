#pragma once

#include <QList>
#include <QObject>
#include <QtQml/qqml.h>

#include <vector>

// The waveform's bars for a view of a given width: one bar every 4 points, each as tall as the
// loudest peak in its share of the peaks. The view draws them; the played part is the bars up to
// the play head.
class WaveformBars : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(WaveformBars)
    Q_PROPERTY(QList<qreal> peaks READ peaks WRITE setPeaks NOTIFY peaksChanged)
    Q_PROPERTY(qreal width READ width WRITE setWidth NOTIFY widthChanged)
    // Each bar's value in 0...1 (empty without peaks).
    Q_PROPERTY(QList<qreal> values READ values NOTIFY valuesChanged)

public:
    static constexpr int spacing = 4;

    explicit WaveformBars(QObject *parent = nullptr);

    const QList<qreal> &peaks() const { return m_peaks; }
    void setPeaks(const QList<qreal> &peaks);
    qreal width() const { return m_width; }
    void setWidth(qreal width);
    const QList<qreal> &values() const { return m_values; }

    // How many bars, from the first, count as played at this fraction (bar i is played when
    // i / count <= fraction).
    Q_INVOKABLE int playedCount(qreal fraction) const;
    // The fraction for a point x of a view this wide, clamped to 0...1.
    Q_INVOKABLE static qreal fractionAt(qreal x, qreal width);

    // max(1, width / 4) bars; bar i holds the largest peak in [i*n/count, (i+1)*n/count).
    static QList<qreal> barValues(const QList<qreal> &peaks, qreal width);

Q_SIGNALS:
    void peaksChanged();
    void widthChanged();
    void valuesChanged();

private:
    void recompute();

    QList<qreal> m_peaks;
    qreal m_width = 0;
    QList<qreal> m_values;
};
