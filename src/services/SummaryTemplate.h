#pragma once

#include <QList>
#include <QString>
#include <optional>

// One of the fixed summary templates: what the minutes should contain.
struct SummaryTemplate {
    QString id;          // stable key, stored in preferences and in a note
    QString name;        // display name, also written into the system prompt
    QString category;    // group label in the template lists
    QString description; // one-line explanation in the template lists
    QString prompt;      // the instruction written into the system prompt

    bool operator==(const SummaryTemplate &) const = default;

    static inline const QString defaultID = QStringLiteral("meeting");

    // The ten built-in templates, in the order every template list shows them.
    static const QList<SummaryTemplate> &builtins();
    // The built-in with this id, if any.
    static std::optional<SummaryTemplate> builtin(const QString &id);
};
