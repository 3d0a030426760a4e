#include "processing/JobMessages.h"

#include "platform/Errors.h"
#include "platform/Localization.h"

namespace JobMessages {

QString fill(const QString &format, const QStringList &values)
{
    QString result;
    result.reserve(format.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        const bool placeholder = c == QLatin1Char('%') && i + 1 < format.size()
                                 && (format.at(i + 1) == QLatin1Char('d') || format.at(i + 1) == QLatin1Char('@'));
        if (placeholder && next < values.size()) {
            // Values are inserted verbatim: a "%d" inside a value is never expanded again.
            result += values.at(next++);
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

QString localized(const QString &formatKey, const QStringList &values)
{
    return fill(L(formatKey), values);
}

void checkStop(const std::stop_token &stop)
{
    if (stop.stop_requested())
        throw Cancelled();
}

} // namespace JobMessages
