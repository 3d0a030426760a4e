#include "services/KeyVault.h"

#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "services/CloudProvider.h"
#include "services/LegacyKeyRegion.h"

#include <QStringDecoder>

#include <libsecret/secret.h>

#include <memory>

namespace {

// Items are found by service and account alone, so `secret-tool lookup service … account …`
// sees the same items and a schema rename never orphans a key.
const SecretSchema *itemSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "local.hushnote.ApiKey";
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

struct ErrorDeleter {
    void operator()(GError *error) const { g_error_free(error); }
};
using ErrorHolder = std::unique_ptr<GError, ErrorDeleter>;

struct ValueDeleter {
    void operator()(SecretValue *value) const { secret_value_unref(value); }
};
using ValueHolder = std::unique_ptr<SecretValue, ValueDeleter>;

[[noreturn]] void fail(const char *message, int status)
{
    throw AppFailure(QString::fromUtf8(message), {QString::number(status)});
}

// The stored secret of (service, account); none when there is no such item. A store failure
// is reported as the GError's code (a read failure when found is null).
std::optional<QByteArray> lookup(const QByteArray &service, const QByteArray &account, int *failure)
{
    GError *rawError = nullptr;
    ValueHolder value(secret_password_lookup_binary_sync(itemSchema(), nullptr, &rawError, "service",
                                                         service.constData(), "account", account.constData(),
                                                         nullptr));
    ErrorHolder error(rawError);
    *failure = 0;
    if (error) {
        *failure = error->code;
        return std::nullopt;
    }
    if (!value)
        return std::nullopt;
    gsize length = 0;
    const gchar *bytes = secret_value_get(value.get(), &length);
    return QByteArray(bytes, qsizetype(length));
}

bool isDashScopeAccount(const QString &account)
{
    const auto provider = CloudProvider::fromRawValue(account);
    return provider && provider->isQwen();
}

} // namespace

KeyVault::KeyVault(QString service, QString applicationIdentifier, Preferences *preferences)
    : m_service(std::move(service)), m_applicationIdentifier(std::move(applicationIdentifier)),
      m_preferences(preferences)
{
}

KeyVault::~KeyVault() = default;

KeyVault &KeyVault::shared()
{
    static KeyVault vault;
    return vault;
}

Preferences &KeyVault::preferences()
{
    return m_preferences ? *m_preferences : Preferences::shared();
}

QCoro::Task<std::optional<QString>> KeyVault::read(QString account)
{
    // The closure is a named local: g++ 12 destroys a lambda temporary inside co_await twice.
    auto work = [this, account] {
        migrateIfNeeded(account);
        return readNow(account);
    };
    co_return co_await runOn(m_executor.pool(), std::move(work));
}

QCoro::Task<void> KeyVault::write(QString value, QString account)
{
    auto work = [this, value, account] {
        migrateIfNeeded(account);
        writeNow(value, account);
    };
    co_await runOn(m_executor.pool(), std::move(work));
}

QCoro::Task<void> KeyVault::remove(QString account)
{
    auto work = [this, account] {
        migrateIfNeeded(account);
        removeNow(account);
    };
    co_await runOn(m_executor.pool(), std::move(work));
}

std::optional<QString> KeyVault::readNow(const QString &account)
{
    int failure = 0;
    const auto bytes = lookup(m_service.toUtf8(), account.toUtf8(), &failure);
    if (failure != 0)
        fail("无法读取钥匙串（%d）。", failure);
    if (!bytes)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(*bytes);
    if (decoder.hasError())
        fail("无法读取钥匙串（%d）。", 0);
    return text;
}

void KeyVault::writeNow(const QString &value, const QString &account)
{
    const QByteArray secret = value.trimmed().toUtf8();
    if (secret.isEmpty())
        return;
    const QByteArray service = m_service.toUtf8();
    const QByteArray accountName = account.toUtf8();

    // The Secret Service replaces a matching item in one call; look first so a failure can say
    // whether an existing key was being updated or a new one saved.
    int failure = 0;
    const bool exists = lookup(service, accountName, &failure).has_value();
    if (failure != 0)
        fail("钥匙串更新失败（%d）。", failure);

    const QByteArray label = QStringLiteral("Hushnote API key (%1)").arg(account).toUtf8();
    GError *rawError = nullptr;
    secret_password_store_binary_sync(itemSchema(), SECRET_COLLECTION_DEFAULT, label.constData(),
                                      ValueHolder(secret_value_new(secret.constData(), secret.size(),
                                                                   "text/plain")).get(),
                                      nullptr, &rawError, "service", service.constData(), "account",
                                      accountName.constData(), nullptr);
    ErrorHolder error(rawError);
    if (error)
        fail(exists ? "钥匙串更新失败（%d）。" : "钥匙串保存失败（%d）。", error->code);
}

void KeyVault::removeNow(const QString &account)
{
    const QByteArray service = m_service.toUtf8();
    const QByteArray accountName = account.toUtf8();
    GError *rawError = nullptr;
    secret_password_clear_sync(itemSchema(), nullptr, &rawError, "service", service.constData(), "account",
                               accountName.constData(), nullptr);
    ErrorHolder error(rawError);
    if (error)
        fail("钥匙串删除失败（%d）。", error->code);
}

void KeyVault::migrateIfNeeded(const QString &account)
{
    if (isDashScopeAccount(account))
        migrateLegacyQwen();
}

void KeyVault::migrateLegacyQwen()
{
    if (m_applicationIdentifier != programIdentifier)
        return;
    if (readNow(migrationMarker))
        return;
    const auto legacyKey = readNow(legacyAccount);
    if (!legacyKey || legacyKey->trimmed().isEmpty())
        return;
    Preferences &store = preferences();
    LegacyKeyRegion::pin(store);
    const QString target = store.string(LegacyKeyRegion::preferencesKey) == QStringLiteral("singapore")
                               ? CloudProvider(CloudProvider::qwenSingapore).rawValue()
                               : CloudProvider(CloudProvider::qwenBeijing).rawValue();
    // A key the user already saved for the region is never overwritten.
    const auto existing = readNow(target);
    if (!existing || existing->isEmpty())
        writeNow(*legacyKey, target);
    writeNow(target, migrationMarker);
}

QCoro::Task<std::optional<QString>> nativeAPIKey(QString account)
{
    co_return co_await KeyVault::shared().read(account);
}
