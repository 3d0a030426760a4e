#pragma once

#include <QString>
#include <QTimeZone>

// Notes store the moment they were made in UTC; people read the day as it was where they are. A
// note made in Beijing at 07:30 is stored as the evening before.
namespace LocalDate {

// "2025.03.14": the day of createdAt (ISO 8601) in the given time zone. A createdAt that does not
// parse shows its first ten characters, as stored.
QString dayLabel(const QString &createdAt, const QTimeZone &zone = QTimeZone::systemTimeZone());

} // namespace LocalDate
