#pragma once

#include "workspace/UserPrompts.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace TestSupport {

// Answers every dialog with what the test set beforehand and remembers what each one showed.
// Cloud uploads are always declined.
class WorkspacePrompts final : public UserPrompts {
public:
    std::optional<QString> folderAnswer;
    std::optional<QString> audioAnswer;
    std::function<std::optional<QString>()> saveAnswer;

    std::vector<QStringList> folderRequests; // title, message, start folder
    QStringList audioRequest;                // title, message
    QStringList saveRequest;                 // title, suggested name, extension
    int saveAsked = 0;

    std::optional<QString> chooseFolder(const QString &title, const QString &message,
                                        const QString &startFolder) override
    {
        folderRequests.push_back({title, message, startFolder});
        return folderAnswer;
    }
    std::optional<QString> chooseAudioFile(const QString &title, const QString &message) override
    {
        audioRequest = {title, message};
        return audioAnswer;
    }
    std::optional<QString> chooseSaveLocation(const QString &title, const QString &name, const QString &ext) override
    {
        ++saveAsked;
        saveRequest = {title, name, ext};
        return saveAnswer ? saveAnswer() : std::nullopt;
    }
    QCoro::Task<bool> confirmCloudUpload(QString, QString, QString, QString) override { co_return false; }
};

} // namespace TestSupport
