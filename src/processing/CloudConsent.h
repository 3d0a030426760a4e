#pragma once

#include "services/CloudProvider.h"

#include <QCoroTask>
#include <QString>

class UserPrompts;

// The texts of the question asked before a job sends a note to a cloud service, already in the
// interface language.
struct CloudConsentDialog {
    QString messageText;
    QString informativeText;
    QString confirmButton; // first, the default
    QString cancelButton;

    bool operator==(const CloudConsentDialog &) const = default;
};

// Asks, per task, before audio or text of a note leaves this computer. Nothing is remembered: the
// next cloud job asks again.
namespace CloudConsent {

// Names the provider and its server, says what is sent (audio for a transcription, transcript and
// prompts for a summary) and who processes and bills it.
CloudConsentDialog dialog(CloudProvider provider, bool summary);

// True only when the person chose the confirming button.
QCoro::Task<bool> confirm(UserPrompts &prompts, CloudProvider provider, bool summary);

} // namespace CloudConsent
