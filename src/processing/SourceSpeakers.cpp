#include "processing/SourceSpeakers.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

constexpr double readingsPerSecond = 10;
constexpr double loudSystem = 0.01;  // RMS; below it the system is taken as silent
constexpr double silence = 0.003;    // mean RMS of both sources below which nobody spoke
constexpr double dominance = 2.0;    // one side at least twice the other
constexpr float quiet = 0.003F;      // RMS, about -50 dBFS: no voice in this tenth

} // namespace

namespace SourceSpeakers {

Levels read(const QString &path)
{
    Levels levels;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return levels;
    levels.bothSources = true;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            continue; // a line cut short by a crash
        if (line.startsWith('-') || line.endsWith('-'))
            levels.bothSources = false;
        bool microphoneOk = false, systemOk = false;
        const float microphone = line.left(tab).toFloat(&microphoneOk);
        const float system = line.mid(tab + 1).toFloat(&systemOk);
        if ((microphoneOk || line.startsWith('-')) && (systemOk || line.endsWith('-')) && std::isfinite(microphone)
            && std::isfinite(system))
            levels.readings.push_back({std::max(0.0F, microphone), std::max(0.0F, system)});
    }
    levels.bothSources = levels.bothSources && !levels.readings.empty();
    return levels;
}

bool silent(const Levels &levels, double start, double end)
{
    const auto first = size_t(std::max(0.0, std::floor(start * readingsPerSecond)));
    const auto last = size_t(std::max(0.0, std::ceil(end * readingsPerSecond)));
    if (last <= first || last > levels.readings.size())
        return false;
    return std::all_of(levels.readings.begin() + qsizetype(first), levels.readings.begin() + qsizetype(last),
                       [](const Level &level) { return level.microphone < quiet && level.system < quiet; });
}

double leakOf(const std::vector<Level> &levels)
{
    // Where only the far side talks the ratio is the leak; where both talk it is higher. The
    // lower quartile of the ratios keeps the first.
    std::vector<double> ratios;
    for (const Level &level : levels) {
        if (level.system >= loudSystem)
            ratios.push_back(double(level.microphone) / level.system);
    }
    if (ratios.empty())
        return 0;
    const auto quartile = ratios.begin() + qsizetype(ratios.size() / 4);
    std::nth_element(ratios.begin(), quartile, ratios.end());
    return std::clamp(*quartile, 0.0, 1.0);
}

QString speakerFor(const std::vector<Level> &levels, double leak, double start, double end)
{
    const auto first = size_t(std::clamp(std::floor(start * readingsPerSecond), 0.0, double(levels.size())));
    const auto last = size_t(std::clamp(std::ceil(end * readingsPerSecond), double(first), double(levels.size())));
    if (last == first)
        return {};
    double microphone = 0, system = 0;
    for (size_t i = first; i < last; ++i) {
        microphone += std::max(0.0, levels[i].microphone - leak * levels[i].system);
        system += levels[i].system;
    }
    if ((microphone + system) / double(last - first) < silence)
        return {};
    if (microphone >= dominance * system)
        return QStringLiteral("我");
    if (system >= dominance * microphone)
        return QStringLiteral("对方");
    return {};
}

void label(std::vector<Segment> &segments, const Levels &levels)
{
    if (!levels.bothSources)
        return;
    const double leak = leakOf(levels.readings);
    for (Segment &segment : segments) {
        if (segment.speaker.isEmpty())
            segment.speaker = speakerFor(levels.readings, leak, segment.start, segment.end);
    }
}

} // namespace SourceSpeakers
