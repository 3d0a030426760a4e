#include "library/Recording.h"

#include <algorithm>
#include <cmath>

std::optional<QString> Recording::activeSegment(double time) const
{
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
        if (it->start <= time && time < it->end)
            return it->id;
    }
    return std::nullopt;
}

QString timeLabel(double seconds)
{
    if (!std::isfinite(seconds))
        return QStringLiteral("00:00");
    const auto total = static_cast<qint64>(std::clamp(seconds, 0.0, 15768000.0));
    const qint64 hours = total / 3600;
    const qint64 minutes = (total % 3600) / 60;
    const qint64 secs = total % 60;
    if (total < 3600)
        return QString::asprintf("%02lld:%02lld", minutes, secs);
    return QString::asprintf("%lld:%02lld:%02lld", hours, minutes, secs);
}

bool sameProjectName(const QString &a, const QString &b)
{
    return QString::compare(a.normalized(QString::NormalizationForm_C), b.normalized(QString::NormalizationForm_C),
                            Qt::CaseInsensitive)
        == 0;
}
