#pragma once

#include "workspace/UserPrompts.h"

#include <optional>

// The terminal's answers to the core's questions. Choosers answer with what the command line
// named (there is nothing to browse); cloud consent is asked on the terminal when standard input
// is one, answered yes once by --allow-cloud, and otherwise answered no, so nothing is ever sent
// without someone agreeing to it.
class TerminalPrompts final : public UserPrompts {
public:
    explicit TerminalPrompts(bool allowCloudOnce = false);

    // What the next chooser answers (nullopt: it is cancelled).
    void setChosenPath(std::optional<QString> path) { m_chosenPath = std::move(path); }

    // Whether the last consent question was declined, and whether that was for want of a terminal.
    bool consentDeclined() const { return m_declined; }
    bool declinedWithoutTerminal() const { return m_declinedWithoutTerminal; }
    // True while the consent question waits for an answer on the terminal.
    bool isAsking() const { return m_asking; }

    QCoro::Task<std::optional<QString>> chooseFolder(QString title, QString message, QString startFolder) override;
    QCoro::Task<std::optional<QString>> chooseAudioFile(QString title, QString message) override;
    QCoro::Task<std::optional<QString>> chooseSaveLocation(QString title, QString suggestedName,
                                                           QString fileExtension) override;
    QCoro::Task<bool> confirmCloudUpload(QString messageText, QString informativeText, QString confirmButton,
                                         QString cancelButton) override;

private:
    QCoro::Task<bool> askOnTerminal(QString messageText, QString informativeText, QString confirmButton,
                                    QString cancelButton);

    bool m_allowCloudOnce;
    std::optional<QString> m_chosenPath;
    bool m_declined = false;
    bool m_declinedWithoutTerminal = false;
    bool m_asking = false;
};
