#pragma once

#include "workspace/UserPrompts.h"

#include <QObject>
#include <QVariant>

#include <map>

// The desktop's answers to the core's questions: the system's file, folder and save choosers and
// the cloud consent dialog. Each question becomes a signal with a ticket; the main window's QML
// (Main.qml, as AppPrompts) opens the dialog and hands the answer back with answer(ticket, ...).
// The asking coroutine waits for its ticket, so no dialog runs a nested event loop. Without a
// window listening, choosers answer "cancelled" and consent "no" at once.
class DesktopPrompts final : public QObject, public UserPrompts {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopPrompts)

public:
    DesktopPrompts() = default;

    QCoro::Task<std::optional<QString>> chooseFolder(QString title, QString message, QString startFolder) override;
    QCoro::Task<std::optional<QString>> chooseAudioFile(QString title, QString message) override;
    QCoro::Task<std::optional<QString>> chooseSaveLocation(QString title, QString suggestedName,
                                                           QString fileExtension) override;
    QCoro::Task<bool> confirmCloudUpload(QString messageText, QString informativeText, QString confirmButton,
                                         QString cancelButton) override;

    // The answer to a question: a local file URL or path (an empty string or undefined when the
    // person cancelled), or true/false for consent.
    Q_INVOKABLE void answer(int ticket, const QVariant &value);

Q_SIGNALS:
    void folderRequested(int ticket, const QString &title, const QString &message, const QString &startFolder);
    void audioFileRequested(int ticket, const QString &title, const QString &message);
    // suggestedPath: the proposed file name in the person's documents folder.
    void saveLocationRequested(int ticket, const QString &title, const QString &suggestedPath,
                               const QString &fileExtension);
    void consentRequested(int ticket, const QString &messageText, const QString &informativeText,
                          const QString &confirmButton, const QString &cancelButton);
    void answered(int ticket);

private:
    // Waits for the answer to ticket and takes it.
    QCoro::Task<QVariant> answerOf(int ticket);
    static std::optional<QString> pathOf(const QVariant &value);

    int m_nextTicket = 1;
    std::map<int, QVariant> m_answers;
};
