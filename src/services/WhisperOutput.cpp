#include "services/WhisperOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace WhisperOutput {

namespace {

QJsonObject document(const QByteArray &json)
{
    // Broken UTF-8 becomes replacement characters, control characters become spaces: both would
    // otherwise make the whole document unreadable for one odd token.
    QByteArray clean = QString::fromUtf8(json).toUtf8();
    for (char &c : clean) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    return QJsonDocument::fromJson(clean).object();
}

} // namespace

std::optional<QString> language(const QByteArray &json)
{
    const QJsonValue code = document(json).value(QLatin1String("result")).toObject().value(QLatin1String("language"));
    const QString text = code.toString();
    // A code is a few lower-case letters; anything else is not passed on to a later run.
    static const QRegularExpression shape(QStringLiteral("^[a-z]{2,3}$"));
    if (!code.isString() || !shape.match(text).hasMatch())
        return std::nullopt;
    return text;
}

std::optional<Device> device(const QByteArray &log)
{
    // whisper_backend_init_gpu: using Vulkan0 backend     | no GPU found
    // ggml_vulkan: 0 = NVIDIA GeForce RTX 3060 (NVIDIA) | uma: 0 | ...
    // system_info: n_threads = 8 / 16 | ...
    static const QRegularExpression usingGpu(QStringLiteral("whisper_backend_init_gpu: using (\\S+) backend"));
    static const QRegularExpression noGpu(QStringLiteral("whisper_backend_init_gpu: no GPU found"));
    static const QRegularExpression vulkanName(QStringLiteral("^ggml_vulkan: (\\d+) = ([^(|\\n]+)"),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression threads(QStringLiteral("system_info: n_threads = (\\d+)"));
    // Control characters and broken bytes never reach the screen.
    QString text = QString::fromUtf8(log);
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    Device found;
    if (const QRegularExpressionMatch match = threads.match(text); match.hasMatch())
        found.threads = match.captured(1).toInt();
    if (const QRegularExpressionMatch match = usingGpu.match(text); match.hasMatch()) {
        found.gpu = match.captured(1).left(80);
        // "Vulkan0" is the first Vulkan device: its driver name reads better.
        static const QRegularExpression vulkanIndex(QStringLiteral("^Vulkan(\\d+)$"));
        if (const QRegularExpressionMatch index = vulkanIndex.match(found.gpu); index.hasMatch()) {
            for (QRegularExpressionMatchIterator it = vulkanName.globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch name = it.next();
                if (name.captured(1) == index.captured(1) && !name.captured(2).trimmed().isEmpty())
                    found.gpu = name.captured(2).trimmed().left(80);
            }
        }
        return found;
    }
    if (noGpu.match(text).hasMatch() && found.threads > 0)
        return found;
    return std::nullopt;
}

std::vector<TimedText> parse(const QByteArray &json)
{
    const QJsonArray items = document(json).value(QLatin1String("transcription")).toArray();
    std::vector<TimedText> segments;
    for (const QJsonValue &item : items) {
        const QJsonObject object = item.toObject();
        const QJsonObject offsets = object.value(QLatin1String("offsets")).toObject();
        const QJsonValue from = offsets.value(QLatin1String("from"));
        const QJsonValue to = offsets.value(QLatin1String("to"));
        const QString text = object.value(QLatin1String("text")).toString().trimmed();
        if (!from.isDouble() || !to.isDouble() || text.isEmpty())
            continue;
        const double start = from.toDouble() / 1000;
        const double end = to.toDouble() / 1000;
        if (!std::isfinite(start) || !std::isfinite(end))
            continue;
        segments.push_back({start, end, text});
    }
    return segments;
}

} // namespace WhisperOutput
