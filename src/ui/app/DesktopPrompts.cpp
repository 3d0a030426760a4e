#include "DesktopPrompts.h"

#include "platform/Errors.h"
#include "platform/Localization.h"

#include <QCoroSignal>
#include <QDir>
#include <QMetaMethod>
#include <QStandardPaths>
#include <QPointer>
#include <QUrl>

QCoro::Task<std::optional<QString>> DesktopPrompts::chooseFolder(QString title, QString message, QString startFolder)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&DesktopPrompts::folderRequested)))
        co_return std::nullopt;
    const int ticket = m_nextTicket++;
    Q_EMIT folderRequested(ticket, title, message, startFolder);
    co_return pathOf(co_await answerOf(ticket));
}

QCoro::Task<std::optional<QString>> DesktopPrompts::chooseAudioFile(QString title, QString message)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&DesktopPrompts::audioFileRequested)))
        co_return std::nullopt;
    const int ticket = m_nextTicket++;
    Q_EMIT audioFileRequested(ticket, title, message);
    co_return pathOf(co_await answerOf(ticket));
}

QCoro::Task<std::optional<QString>> DesktopPrompts::chooseSaveLocation(QString title, QString suggestedName,
                                                                       QString fileExtension)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&DesktopPrompts::saveLocationRequested)))
        throw AppFailure(QStringLiteral("请返回笔记窗口后重试导出。"));
    const int ticket = m_nextTicket++;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    Q_EMIT saveLocationRequested(ticket, title, QDir(documents).filePath(suggestedName), fileExtension);
    std::optional<QString> path = pathOf(co_await answerOf(ticket));
    // The chooser restricts the type, but a name typed without the extension gets it added.
    const QString suffix = QLatin1Char('.') + fileExtension;
    if (path && !path->endsWith(suffix, Qt::CaseInsensitive))
        *path += suffix;
    co_return path;
}

QCoro::Task<bool> DesktopPrompts::confirmCloudUpload(QString messageText, QString informativeText,
                                                     QString confirmButton, QString cancelButton)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&DesktopPrompts::consentRequested)))
        co_return false;
    const int ticket = m_nextTicket++;
    Q_EMIT consentRequested(ticket, messageText, informativeText, confirmButton, cancelButton);
    const QVariant value = co_await answerOf(ticket);
    co_return value.typeId() == QMetaType::Bool && value.toBool();
}

void DesktopPrompts::answer(int ticket, const QVariant &value)
{
    if (ticket <= 0 || ticket >= m_nextTicket || m_answers.count(ticket))
        return;
    m_answers[ticket] = value;
    Q_EMIT answered(ticket);
}

QCoro::Task<QVariant> DesktopPrompts::answerOf(int ticket)
{
    QPointer<DesktopPrompts> self(this);
    while (self && !m_answers.count(ticket))
        co_await qCoro(this, &DesktopPrompts::answered);
    if (!self)
        co_return QVariant();
    const QVariant value = m_answers[ticket];
    m_answers.erase(ticket);
    co_return value;
}

std::optional<QString> DesktopPrompts::pathOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QUrl) {
        const QUrl url = value.toUrl();
        if (url.isLocalFile())
            return url.toLocalFile();
        return std::nullopt;
    }
    const QString text = value.toString();
    if (text.isEmpty())
        return std::nullopt;
    const QUrl url(text);
    if (url.isLocalFile())
        return url.toLocalFile();
    return text.startsWith(QLatin1Char('/')) ? std::optional<QString>(text) : std::nullopt;
}
