#include "playback/WaveformReader.h"

#include "platform/Errors.h"
#include "platform/MediaFile.h"

#include <algorithm>
#include <cmath>

namespace WaveformReader {

namespace {

// Assigns frames to bins exactly as frame / framesPerBin truncated (the last bin collects the
// remainder), but finds each bin's end once instead of dividing per frame.
class Binner {
public:
    Binner(std::vector<float> &peaks, double framesPerBin)
        : m_peaks(peaks), m_perBin(std::max(framesPerBin, 1.0)), m_last(qint64(peaks.size()) - 1)
    {
        m_end = endOf(0);
    }

    void add(const float *const *channels, int channelCount, int frames)
    {
        int i = 0;
        while (i < frames) {
            const int stop = m_bin == m_last ? frames : int(std::min<qint64>(frames, i + (m_end - m_counter)));
            float peak = m_peaks[std::size_t(m_bin)];
            for (int c = 0; c < channelCount; ++c) {
                const float *samples = channels[c];
                for (int k = i; k < stop; ++k)
                    peak = std::max(peak, std::fabs(samples[k]));
            }
            m_peaks[std::size_t(m_bin)] = peak;
            m_counter += stop - i;
            i = stop;
            if (m_bin < m_last && m_counter >= m_end) {
                m_bin = binOf(m_counter);
                m_end = endOf(m_bin);
            }
        }
    }

private:
    qint64 binOf(qint64 frame) const { return std::min<qint64>(m_last, qint64(double(frame) / m_perBin)); }

    // First frame that no longer belongs to the given bin.
    qint64 endOf(qint64 bin) const
    {
        if (bin >= m_last)
            return INT64_MAX;
        qint64 frame = std::max<qint64>(0, qint64(std::floor(double(bin + 1) * m_perBin)) - 2);
        while (binOf(frame) <= bin)
            ++frame;
        return frame;
    }

    std::vector<float> &m_peaks;
    double m_perBin;
    qint64 m_last;
    qint64 m_bin = 0;
    qint64 m_counter = 0;
    qint64 m_end = 0;
};

} // namespace

std::vector<float> read(QString path, int bins, std::stop_token stop)
{
    MediaFile file(path);
    if (bins < 1)
        return {};
    const qint64 length = file.frameCount(stop);
    if (length < 1)
        return {};

    std::vector<float> peaks(std::size_t(bins), 0.0f);
    Binner binner(peaks, double(length) / double(bins));
    file.readFloat([&](const float *const *channels, int channelCount, int frames) {
        binner.add(channels, channelCount, frames);
    }, stop);

    const float top = *std::max_element(peaks.begin(), peaks.end());
    if (top > 0) {
        for (float &peak : peaks)
            peak = std::min(1.0f, peak / top);
    }
    return peaks;
}

} // namespace WaveformReader
