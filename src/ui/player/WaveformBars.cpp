#include "player/WaveformBars.h"

#include <algorithm>
#include <cmath>

WaveformBars::WaveformBars(QObject *parent)
    : QObject(parent)
{
}

void WaveformBars::setPeaks(const QList<qreal> &peaks)
{
    if (peaks == m_peaks)
        return;
    m_peaks = peaks;
    Q_EMIT peaksChanged();
    recompute();
}

void WaveformBars::setWidth(qreal width)
{
    if (width == m_width)
        return;
    m_width = width;
    Q_EMIT widthChanged();
    recompute();
}

int WaveformBars::playedCount(qreal fraction) const
{
    const auto count = qsizetype(m_values.size());
    if (count == 0 || !(fraction >= 0))
        return 0;
    // i / count <= fraction  <=>  i <= fraction * count
    return int(std::min<qsizetype>(count, qsizetype(std::floor(fraction * qreal(count))) + 1));
}

qreal WaveformBars::fractionAt(qreal x, qreal width)
{
    const qreal fraction = width >= 1 ? x / width : x;
    return std::isnan(fraction) ? 0 : std::clamp<qreal>(fraction, 0, 1);
}

QList<qreal> WaveformBars::barValues(const QList<qreal> &peaks, qreal width)
{
    const qsizetype n = peaks.size();
    if (n == 0)
        return {};
    const qsizetype count = std::max<qsizetype>(1, qsizetype(std::isfinite(width) ? std::max<qreal>(0, width) * 0.25 : 0));
    QList<qreal> values;
    values.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype a = std::min(n - 1, i * n / count);
        const qsizetype b = std::min(n, std::max((i + 1) * n / count, a + 1));
        values.append(*std::max_element(peaks.begin() + a, peaks.begin() + b));
    }
    return values;
}

void WaveformBars::recompute()
{
    QList<qreal> values = barValues(m_peaks, m_width);
    if (values == m_values)
        return;
    m_values = std::move(values);
    Q_EMIT valuesChanged();
}
