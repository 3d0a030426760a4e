#pragma once

#include <QString>
#include <QStringList>

#include <stop_token>

// Small helpers shared by the stages of the processing job.
namespace JobMessages {

// Fills the placeholders "%d" and "%@" of an already localized format, left to right.
QString fill(const QString &format, const QStringList &values);

// Looks the format up in the interface language, then fills it.
QString localized(const QString &formatKey, const QStringList &values);

// Throws Cancelled once a stop has been requested.
void checkStop(const std::stop_token &stop);

} // namespace JobMessages
