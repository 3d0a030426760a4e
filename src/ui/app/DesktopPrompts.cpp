#include "DesktopPrompts.h"

// Placeholder answers until the dialogs are wired: every question is declined.
std::optional<QString> DesktopPrompts::chooseFolder(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

std::optional<QString> DesktopPrompts::chooseAudioFile(const QString &, const QString &)
{
    return std::nullopt;
}

std::optional<QString> DesktopPrompts::chooseSaveLocation(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

QCoro::Task<bool> DesktopPrompts::confirmCloudUpload(QString, QString, QString, QString)
{
    co_return false;
}
