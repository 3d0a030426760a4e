#pragma once

#include "platform/Async.h"

#include <QCoroTask>
#include <QString>
#include <optional>

class Preferences;

// Keeps the cloud providers' API keys in the system's credential store (the freedesktop Secret
// Service: gnome-keyring, KWallet), one item per account, and nowhere else. Every store call runs
// on the vault's own serial executor, because the Secret Service calls block.
//
// Accounts: a CloudProvider raw value holds that provider's key; "qwen" is the single DashScope key
// of an earlier version (only ever read, by the migration); "qwen-migration-destination" records
// which account that key was copied to.
class KeyVault final {
public:
    static inline const QString defaultService = QStringLiteral("local.hushnote.native-preview.api-keys");
    static inline const QString programIdentifier = QStringLiteral("local.hushnote.native-preview");
    static inline const QString legacyAccount = QStringLiteral("qwen");
    static inline const QString migrationMarker = QStringLiteral("qwen-migration-destination");

    // applicationIdentifier: the running program's identifier; the legacy key is migrated only
    // when it is programIdentifier. preferences: where the legacy region pin lives (the shared
    // store when null).
    explicit KeyVault(QString service = defaultService, QString applicationIdentifier = programIdentifier,
                      Preferences *preferences = nullptr);
    ~KeyVault();
    KeyVault(const KeyVault &) = delete;
    KeyVault &operator=(const KeyVault &) = delete;

    static KeyVault &shared();

    const QString &service() const { return m_service; }

    // The key stored for the account; none when there is no item. Throws AppFailure.
    QCoro::Task<std::optional<QString>> read(QString account);
    // Stores the trimmed value; a value that is blank after trimming is ignored. Throws AppFailure.
    QCoro::Task<void> write(QString value, QString account);
    // Removes the account's item; a missing item is not an error. Throws AppFailure.
    QCoro::Task<void> remove(QString account);

private:
    std::optional<QString> readNow(const QString &account);
    void writeNow(const QString &value, const QString &account);
    void removeNow(const QString &account);
    // Before touching a DashScope account: move an earlier version's single key to its region.
    void migrateIfNeeded(const QString &account);
    void migrateLegacyQwen();
    Preferences &preferences();

    QString m_service;
    QString m_applicationIdentifier;
    Preferences *m_preferences;
    SerialExecutor m_executor;
};

// The processing job's key source: the key saved for the account, read on the shared vault (after
// the legacy migration for a DashScope provider). Throws AppFailure.
QCoro::Task<std::optional<QString>> nativeAPIKey(QString account);
