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
