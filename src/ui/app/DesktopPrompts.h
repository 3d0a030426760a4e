#pragma once

#include "workspace/UserPrompts.h"

#include <QObject>

// The desktop's answers to the core's questions: the system's file and folder choosers and the
// cloud consent dialog, shown by the main window's QML.
class DesktopPrompts final : public QObject, public UserPrompts {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopPrompts)

public:
    DesktopPrompts() = default;

    std::optional<QString> chooseFolder(const QString &title, const QString &message,
                                        const QString &startFolder) override;
    std::optional<QString> chooseAudioFile(const QString &title, const QString &message) override;
    std::optional<QString> chooseSaveLocation(const QString &title, const QString &suggestedName,
                                              const QString &fileExtension) override;
    QCoro::Task<bool> confirmCloudUpload(QString messageText, QString informativeText, QString confirmButton,
                                         QString cancelButton) override;
};
