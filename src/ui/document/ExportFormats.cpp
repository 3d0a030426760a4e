#include "document/ExportFormats.h"

#include "platform/Localization.h"

#include <QVariantMap>

QVariantList ExportFormats::subtitleChoices(bool summary)
{
    if (summary)
        return {};
    return {QVariantMap{{QStringLiteral("label"), L(QStringLiteral("SubRip 字幕 (.srt)"))}, {QStringLiteral("format"), QStringLiteral("srt")}},
            QVariantMap{{QStringLiteral("label"), L(QStringLiteral("WebVTT 字幕 (.vtt)"))}, {QStringLiteral("format"), QStringLiteral("vtt")}}};
}
