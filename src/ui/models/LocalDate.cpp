#include "LocalDate.h"

#include <QDateTime>

namespace LocalDate {

QString dayLabel(const QString &createdAt, const QTimeZone &zone)
{
    const QDateTime moment = QDateTime::fromString(createdAt, Qt::ISODateWithMs);
    QString day = moment.isValid() ? moment.toTimeZone(zone).toString(QStringLiteral("yyyy-MM-dd")) : createdAt.left(10);
    return day.replace(QLatin1Char('-'), QLatin1Char('.'));
}

} // namespace LocalDate
