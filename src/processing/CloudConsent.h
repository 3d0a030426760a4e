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

// Where a job would send a note: the name shown and the server's host.
struct ConsentTarget {
    QString title; // already in the interface language
    QString host;
    bool ownServer = false; // the person's own server, not a provider that bills them

    static ConsentTarget of(CloudProvider provider);
    bool operator==(const ConsentTarget &) const = default;
};

// Asks, per task, before audio or text of a note leaves this computer. Nothing is remembered: the
// next cloud job asks again.
namespace CloudConsent {

// Names the provider and its server, says what is sent (audio for a transcription, transcript and
// prompts for a summary) and who processes and bills it.
// With notes above 1: the one question a queue asks for all its notes, naming how many.
CloudConsentDialog dialog(const ConsentTarget &target, bool summary, int notes = 1);
CloudConsentDialog dialog(CloudProvider provider, bool summary);

// True only when the person chose the confirming button.
QCoro::Task<bool> confirm(UserPrompts &prompts, ConsentTarget target, bool summary);

} // namespace CloudConsent
