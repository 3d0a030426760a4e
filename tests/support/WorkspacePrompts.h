#pragma once

#include "workspace/UserPrompts.h"

#include <QCoroTimer>

#include <QStringList>

#include <functional>
#include <vector>

namespace TestSupport {

// Answers every dialog with what the test set beforehand and remembers what each one showed.
class WorkspacePrompts final : public UserPrompts {
public:
    std::optional<QString> folderAnswer;
    std::optional<QString> audioAnswer;
    std::function<std::optional<QString>()> saveAnswer;

    std::vector<QStringList> folderRequests; // title, message, start folder
    QStringList audioRequest;                // title, message
    QStringList saveRequest;                 // title, suggested name, extension
    int saveAsked = 0;
    // The cloud-upload question: declined unless told otherwise, held open while holdCloud is set.
    bool cloudAnswer = false;
    bool holdCloud = false;
    int cloudAsked = 0;
    QString cloudInformative;

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
    QCoro::Task<bool> confirmCloudUpload(QString, QString informativeText, QString, QString) override
    {
        ++cloudAsked;
        cloudInformative = informativeText;
        while (holdCloud)
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        co_return cloudAnswer;
    }
};

} // namespace TestSupport
