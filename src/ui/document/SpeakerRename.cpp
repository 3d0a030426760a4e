#include "document/SpeakerRename.h"

#include "platform/Localization.h"
#include "processing/JobMessages.h"

#include <algorithm>

namespace SpeakerRename {

QStringList speakers(const std::vector<Segment> &segments)
{
    QStringList result;
    for (const Segment &segment : segments)
        result.append(segment.speaker);
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

int count(const std::vector<Segment> &segments, const QString &speaker)
{
    return int(std::count_if(segments.begin(), segments.end(),
                             [&](const Segment &segment) { return segment.speaker == speaker; }));
}

Outcome apply(std::vector<Segment> &segments, const QString &source, const QString &name)
{
    const int matching = count(segments, source);
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return {false, {}, L(QStringLiteral("请输入说话人姓名。"))};
    for (Segment &segment : segments) {
        if (segment.speaker == source)
            segment.speaker = trimmed;
    }
    return {true, trimmed, JobMessages::fill(L(QStringLiteral("已更新 %d 段；点击保存后生效。")), {QString::number(matching)})};
}

} // namespace SpeakerRename
