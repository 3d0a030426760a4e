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

    QCoro::Task<std::optional<QString>> chooseFolder(QString title, QString message, QString startFolder) override
    {
        folderRequests.push_back({title, message, startFolder});
        co_return folderAnswer;
    }
    QCoro::Task<std::optional<QString>> chooseAudioFile(QString title, QString message) override
    {
        audioRequest = {title, message};
        co_return audioAnswer;
    }
    QCoro::Task<std::optional<QString>> chooseSaveLocation(QString title, QString name, QString ext) override
    {
        ++saveAsked;
        saveRequest = {title, name, ext};
        co_return saveAnswer ? saveAnswer() : std::nullopt;
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
