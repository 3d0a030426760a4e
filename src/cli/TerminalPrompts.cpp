#include "cli/TerminalPrompts.h"

#include "cli/CliOutput.h"
#include "cli/TerminalInput.h"

TerminalPrompts::TerminalPrompts(bool allowCloudOnce) : m_allowCloudOnce(allowCloudOnce) {}

QCoro::Task<std::optional<QString>> TerminalPrompts::chooseFolder(QString, QString, QString)
{
    co_return m_chosenPath;
}

QCoro::Task<std::optional<QString>> TerminalPrompts::chooseAudioFile(QString, QString)
{
    co_return m_chosenPath;
}

QCoro::Task<std::optional<QString>> TerminalPrompts::chooseSaveLocation(QString, QString, QString)
{
    co_return m_chosenPath;
}

QCoro::Task<bool> TerminalPrompts::confirmCloudUpload(QString messageText, QString informativeText,
                                                      QString confirmButton, QString cancelButton)
{
    m_declined = false;
    m_declinedWithoutTerminal = false;
    if (m_allowCloudOnce) {
        // The flag speaks for one task only: a second job in the same run asks again.
        m_allowCloudOnce = false;
        co_return true;
    }
    if (!CliOutput::stdinIsTerminal()) {
        m_declined = true;
        m_declinedWithoutTerminal = true;
        co_return false;
    }
    m_asking = true;
    const bool allowed = co_await askOnTerminal(messageText, informativeText, confirmButton, cancelButton);
    m_asking = false;
    m_declined = !allowed;
    co_return allowed;
}

QCoro::Task<bool> TerminalPrompts::askOnTerminal(QString messageText, QString informativeText,
                                                 QString confirmButton, QString cancelButton)
{
    CliOutput::notice(messageText);
    CliOutput::notice(informativeText);
    // Only an explicit yes allows; Enter alone takes the safe answer.
    CliOutput::prompt(QStringLiteral("%1 [y] / %2 [N]: ").arg(confirmButton, cancelButton));
    const std::optional<QString> answer = co_await TerminalInput::readLine();
    if (!answer) {
        CliOutput::prompt(QStringLiteral("\n"));
        co_return false;
    }
    const QString word = answer->trimmed().toLower();
    co_return word == QLatin1String("y") || word == QLatin1String("yes") || word == confirmButton;
}
