#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/InterruptWatcher.h"
#include "cli/TerminalInput.h"
#include "platform/AppEvents.h"
#include "services/CloudProvider.h"
#include "services/CustomServer.h"
#include "services/KeyVault.h"
#include "services/ModelClient.h"
#include "services/ModelConfiguration.h"
#include "services/SystemConfiguration.h"
#include "platform/Localization.h"

#include <QFile>
#include <QObject>

#include <stop_token>

namespace {

// A key is a line of text; anything much longer is not one.
constexpr qint64 maxKeyBytes = 64 * 1024;

// A key's owner: a cloud provider, or the custom server of one role ("custom-asr",
// "custom-summary").
struct KeyOwner {
    QString account;
    std::optional<CloudProvider> provider;
    bool summary = false;
};

KeyOwner keyOwner(const ParsedCommand &command)
{
    const QString name = command.positional.first();
    if (const std::optional<CloudProvider> provider = CloudProvider::fromRawValue(name))
        return {name, provider};
    for (const bool summary : {false, true}) {
        if (name == CustomServer::account(summary))
            return {name, std::nullopt, summary};
    }
    QStringList known;
    for (const CloudProvider &provider : CloudProvider::allCases())
        known << provider.rawValue();
    known << CustomServer::account(false) << CustomServer::account(true);
    throw UsageError(QStringLiteral("unknown provider '%1' (one of: %2)").arg(name, known.join(QStringLiteral(", "))),
                     command.name);
}

// The configuration document, read with a cap one byte above the limit so the size rule can
// still say the file is too large.
QCoro::Task<QString> readDocument(QString file)
{
    const qint64 cap = SystemConfiguration::maxDocumentBytes + 1;
    if (file == QLatin1String("-")) {
        const std::optional<QByteArray> bytes = co_await TerminalInput::readAll(cap);
        if (!bytes)
            throw CliFailure(L(QStringLiteral("配置文件不能超过 1 MB。")));
        co_return QString::fromUtf8(*bytes);
    }
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw SystemError(QStringLiteral("%1: %2").arg(file, input.errorString()));
    co_return QString::fromUtf8(input.read(cap));
}

QCoro::Task<QString> readKey()
{
    std::optional<QString> key;
    if (CliOutput::stdinIsTerminal()) {
        CliOutput::prompt(QStringLiteral("API Key: "));
        key = co_await TerminalInput::readLine(true);
    } else {
        const std::optional<QByteArray> bytes = co_await TerminalInput::readAll(maxKeyBytes);
        if (bytes)
            key = QString::fromUtf8(*bytes);
    }
    const InterruptWatcher *watcher = InterruptWatcher::instance();
    if (watcher && watcher->wasInterrupted())
        throw Cancelled();
    if (!key || key->trimmed().isEmpty())
        throw CliFailure(L(QStringLiteral("请填写 API Key。")));
    co_return key->trimmed();
}

// The model a check looks for when none is named: the configured one where this provider is in use.
QString defaultModel(CloudProvider provider)
{
    const ModelConfiguration configuration = ModelConfiguration::load();
    if (configuration.summaryService == provider.rawValue())
        return configuration.summaryModel;
    if (configuration.asrService != QLatin1String("whisper") && configuration.asrProvider() == provider)
        return configuration.asrModel;
    const QStringList summaryModels = provider.models(true);
    return summaryModels.isEmpty() ? QString() : summaryModels.first();
}

} // namespace

namespace SettingsCommands {

QCoro::Task<int> showConfiguration(ParsedCommand)
{
    CliOutput::result(SystemConfiguration::current().editingJSON());
    co_return ExitStatus::success;
}

QCoro::Task<int> applyConfiguration(ParsedCommand command)
{
    const QString text = co_await readDocument(command.positional.first());
    const SystemConfiguration configuration = SystemConfiguration::parse(text);
    configuration.apply();
    CliOutput::notice(L(QStringLiteral("配置已保存并应用。")));
    co_return ExitStatus::success;
}

QCoro::Task<int> setKey(ParsedCommand command)
{
    const QString account = keyOwner(command).account;
    const QString key = co_await readKey();
    co_await KeyVault::shared().write(key, account);
    Q_EMIT AppEvents::instance().providerKeysChanged();
    CliOutput::notice(L(QStringLiteral("已保存。")));
    co_return ExitStatus::success;
}

QCoro::Task<int> removeKey(ParsedCommand command)
{
    const QString account = keyOwner(command).account;
    co_await KeyVault::shared().remove(account);
    Q_EMIT AppEvents::instance().providerKeysChanged();
    CliOutput::notice(L(QStringLiteral("已移除。")));
    co_return ExitStatus::success;
}

QCoro::Task<int> checkKey(ParsedCommand command)
{
    const KeyOwner owner = keyOwner(command);
    const ModelConfiguration configuration = ModelConfiguration::load();
    const QString configured = owner.summary ? configuration.customSummaryModel : configuration.customASRModel;
    const QString model =
        command.value(QStringLiteral("model"), owner.provider ? defaultModel(*owner.provider) : configured);
    const std::optional<QString> stored = co_await KeyVault::shared().read(owner.account);
    const QString key = stored.value_or(QString());

    std::stop_source stop;
    QObject guard;
    if (InterruptWatcher *watcher = InterruptWatcher::instance())
        QObject::connect(watcher, &InterruptWatcher::interrupted, &guard, [&stop] { stop.request_stop(); });
    ModelClient client;
    const std::stop_token token = stop.get_token();
    bool listed = false;
    if (owner.provider) {
        listed = co_await client.checkAPI(*owner.provider, model, key, token);
    } else {
        const QString address = owner.summary ? configuration.customSummaryURL : configuration.customASRURL;
        const QStringList ids = co_await client.listModels(address, key, token);
        listed = ids.contains(model);
    }
    CliOutput::result(listed ? L(QStringLiteral("API 已连接，所选模型在列表中。"))
                             : L(QStringLiteral("API 已连接；列表未包含所选模型，调用权限需实际生成时验证。")));
    co_return ExitStatus::success;
}

} // namespace SettingsCommands
