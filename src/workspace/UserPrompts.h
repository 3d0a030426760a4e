#pragma once

#include <QCoroTask>
#include <QString>
#include <optional>

// Everything the core needs to ask the person. The desktop program answers with dialogs, the
// command line with its arguments and a terminal prompt, tests with fakes. All texts handed in are
// already localized. Called on the user-interface thread only. Every question may suspend (a
// dialog stays open while the event loop runs on), so parameters are taken by value.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // A folder chooser (folders only). startFolder may not exist; the chooser then starts wherever
    // it likes. nullopt when the person cancels.
    virtual QCoro::Task<std::optional<QString>> chooseFolder(QString title, QString message, QString startFolder) = 0;

    // A single audio file (any audio type). nullopt when the person cancels.
    virtual QCoro::Task<std::optional<QString>> chooseAudioFile(QString title, QString message) = 0;

    // Where to save an export. fileExtension is "md" or "txt" (without the dot) and restricts the
    // choice to that type. nullopt when the person cancels. Throws AppFailure
    // "请返回笔记窗口后重试导出。" when there is no window to attach the dialog to.
    virtual QCoro::Task<std::optional<QString>> chooseSaveLocation(QString title, QString suggestedName,
                                                                   QString fileExtension) = 0;

    // Asks before a job sends a note to a cloud service: a bold message line, an informative text
    // and two buttons, the confirming one first and default. True only when the confirming button
    // was chosen; closing the prompt in any other way declines.
    virtual QCoro::Task<bool> confirmCloudUpload(QString messageText, QString informativeText,
                                                 QString confirmButton, QString cancelButton) = 0;
};
