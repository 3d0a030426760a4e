#include "WhisperSettings.h"
#include "SourceBinding.h"

#include "SettingsEvents.h"
#include "Strings.h"
#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "processing/JobMessages.h"
#include "services/EngineDevice.h"
#include "services/LocalTranscriber.h"
#include "services/ModelConfiguration.h"
#include "services/SpokenLanguages.h"
#include "services/WhisperDownloadState.h"
#include "services/WhisperModels.h"

#include <QFileInfo>

#include <algorithm>
#include <QLocale>

WhisperSettings::WhisperSettings(QObject *parent)
    : WhisperSettings(WhisperDownloadState::shared(), WhisperModels::shared(), Preferences::shared(),
                      LocalTranscriber::defaultExecutable(), parent)
{
}

WhisperSettings::WhisperSettings(WhisperDownloadState &downloads, WhisperModels &models, Preferences &preferences,
                                 QString executable, QObject *parent)
    : QObject(parent), m_models(models), m_preferences(preferences), m_executable(std::move(executable))
{
    setDownloads(&downloads);
    connect(&AppEvents::instance(), &AppEvents::configurationApplied, this, [this] {
        if (m_downloads)
            m_downloads->setSelectedID(ModelConfiguration::load(m_preferences).localASRModel);
        setOwnMessage({}, false);
    });
    connect(&Strings::instance(), &Strings::languageChanged, this, &WhisperSettings::changed);
    connect(&SettingsEvents::instance(), &SettingsEvents::modelConfigurationSaved, this, &WhisperSettings::changed);
    connect(&EngineDevice::shared(), &EngineDevice::changed, this, &WhisperSettings::changed);
}

void WhisperSettings::setDownloads(WhisperDownloadState *downloads)
{
    if (!rebindSource(this, m_downloads, downloads))
        return;
    if (downloads) {
        for (auto signal : {&WhisperDownloadState::selectedIDChanged, &WhisperDownloadState::busyChanged,
                            &WhisperDownloadState::downloadingChanged, &WhisperDownloadState::receivedBytesChanged,
                            &WhisperDownloadState::totalBytesChanged})
            connect(downloads, signal, this, &WhisperSettings::changed);
        // A new message of the download state replaces this part's own.
        connect(downloads, &WhisperDownloadState::messageChanged, this, [this] { setOwnMessage({}, false); });
    }
    Q_EMIT downloadsChanged();
    Q_EMIT changed();
}

bool WhisperSettings::engineReady() const
{
    const QFileInfo file(m_executable);
    return file.isFile() && file.isExecutable();
}

QString WhisperSettings::engineStatus() const
{
    return L(engineReady() ? QStringLiteral("转写引擎已就绪") : QStringLiteral("转写引擎缺失，请重新安装 Hushnote"));
}

QStringList WhisperSettings::modelNames() const
{
    QStringList names;
    // A catalogue entry's name carries its size; an added model shows the size of its file.
    for (const WhisperModel &model : m_models.available())
        names << (model.purpose.isEmpty()
                      ? model.name + QStringLiteral(" · ")
                            + QLocale::c().formattedDataSize(model.size, 1, QLocale::DataSizeSIFormat)
                      : model.name + QStringLiteral(" — ") + L(model.purpose));
    return names;
}

QString WhisperSettings::selectedID() const
{
    return m_downloads ? m_downloads->selectedID() : QString();
}

int WhisperSettings::modelIndex() const
{
    const QString id = selectedID();
    const QList<WhisperModel> catalogue = m_models.available();
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        if (catalogue[i].id == id)
            return int(i);
    }
    return -1;
}

void WhisperSettings::setModelIndex(int index)
{
    const QList<WhisperModel> catalogue = m_models.available();
    if (m_downloads && index >= 0 && index < catalogue.size())
        m_downloads->setSelectedID(catalogue[index].id);
}

bool WhisperSettings::inUse() const
{
    return ModelConfiguration::load(m_preferences).asrService == QLatin1String("whisper");
}

QString WhisperSettings::currentModel() const
{
    const QString id = ModelConfiguration::load(m_preferences).localASRModel;
    for (const WhisperModel &model : m_models.available()) {
        if (model.id == id)
            return model.name;
    }
    return id;
}

bool WhisperSettings::busy() const
{
    return m_adding || (m_downloads && m_downloads->busy());
}

bool WhisperSettings::selectedIsAdded() const
{
    const QList<WhisperModel> added = m_models.added();
    return std::any_of(added.begin(), added.end(), [id = selectedID()](const WhisperModel &model) { return model.id == id; });
}

void WhisperSettings::addModelFile(const QUrl &file)
{
    if (busy() || !file.isLocalFile())
        return;
    runAdd(file.toLocalFile());
}

QCoro::Task<> WhisperSettings::runAdd(QString file)
{
    QPointer<WhisperSettings> self(this);
    m_adding = true;
    setOwnMessage(L(QStringLiteral("正在检查模型文件…")), false);
    const QString helper = m_executable;
    try {
        auto check = [helper](const QString &copy) { LocalTranscriber::checkLoads(helper, copy); };
        QCoro::Task<WhisperModel> adding = m_models.add(file, QString(), check);
        const WhisperModel model = co_await adding;
        if (!self)
            co_return;
        m_adding = false;
        if (m_downloads)
            m_downloads->setSelectedID(model.id);
        setOwnMessage(JobMessages::localized(QStringLiteral("已添加模型：%@"), {model.name}), false);
    } catch (...) {
        if (!self)
            co_return;
        m_adding = false;
        setOwnMessage(describeCurrentError(), true);
    }
}

bool WhisperSettings::voiceDetection() const
{
    return ModelConfiguration::load(m_preferences).localVAD;
}

void WhisperSettings::setVoiceDetection(bool on)
{
    if (on != voiceDetection())
        saveConfiguration([on](ModelConfiguration &configuration) { configuration.localVAD = on; });
}

bool WhisperSettings::detectorInstalled() const
{
    const WhisperModel &detector = m_models.detector();
    return QFileInfo(m_models.installedFile(detector)).size() == detector.size;
}

void WhisperSettings::downloadDetector()
{
    if (m_downloads && !busy())
        m_downloads->run(m_models.detector().id, true);
}

void WhisperSettings::removeSelected()
{
    if (!busy() && selectedIsAdded())
        runRemove(selectedID());
}

QCoro::Task<> WhisperSettings::runRemove(QString id)
{
    QPointer<WhisperSettings> self(this);
    try {
        if (ModelConfiguration::load(m_preferences).localASRModel == id)
            throw AppFailure(QStringLiteral("这个模型正在用于本地转写，请先换用其他模型。"));
        QCoro::Task<> removing = m_models.remove(id);
        co_await removing;
        if (!self)
            co_return;
        if (m_downloads)
            m_downloads->setSelectedID(ModelConfiguration::load(m_preferences).localASRModel);
        setOwnMessage(L(QStringLiteral("模型已移除。")), false);
    } catch (...) {
        if (self)
            setOwnMessage(describeCurrentError(), true);
    }
}

bool WhisperSettings::downloading() const
{
    return m_downloads && m_downloads->downloading();
}

double WhisperSettings::fraction() const
{
    if (!m_downloads || m_downloads->totalBytes() <= 0)
        return 0;
    return std::min(1.0, double(m_downloads->receivedBytes()) / double(m_downloads->totalBytes()));
}

QString WhisperSettings::bytesText() const
{
    if (!m_downloads || !m_downloads->downloading())
        return {};
    const QLocale locale = QLocale::c();
    return locale.formattedDataSize(m_downloads->receivedBytes(), 1, QLocale::DataSizeSIFormat) + QStringLiteral(" / ")
           + locale.formattedDataSize(m_downloads->totalBytes(), 1, QLocale::DataSizeSIFormat);
}

QString WhisperSettings::message() const
{
    if (!m_message.isEmpty())
        return m_message;
    return m_downloads ? m_downloads->message() : QString();
}

bool WhisperSettings::failed() const
{
    if (!m_message.isEmpty())
        return m_failed;
    return m_downloads && m_downloads->failed();
}

void WhisperSettings::setOwnMessage(const QString &message, bool failed)
{
    m_message = message;
    m_failed = failed;
    Q_EMIT changed();
}

QStringList WhisperSettings::languageNames() const
{
    QStringList names{SpokenLanguages::displayName(SpokenLanguages::automatic)};
    for (const SpokenLanguages::Language &language : SpokenLanguages::all())
        names << language.name;
    return names;
}

int WhisperSettings::languageIndex() const
{
    const QString code = ModelConfiguration::load(m_preferences).spokenLanguage;
    const std::vector<SpokenLanguages::Language> &all = SpokenLanguages::all();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].code == code)
            return int(i) + 1;
    }
    return 0;
}

void WhisperSettings::setLanguageIndex(int index)
{
    const std::vector<SpokenLanguages::Language> &all = SpokenLanguages::all();
    if (index < 0 || index > int(all.size()) || index == languageIndex())
        return;
    const QString code = index == 0 ? SpokenLanguages::automatic : all[size_t(index) - 1].code;
    saveConfiguration([code](ModelConfiguration &configuration) { configuration.spokenLanguage = code; });
}

QString WhisperSettings::deviceLine() const
{
    const std::optional<WhisperOutput::Device> &device = EngineDevice::shared().last();
    if (!device)
        return {};
    const QString where =
        device->gpu.isEmpty()
            ? JobMessages::localized(QStringLiteral("CPU · %d 线程"), {QString::number(device->threads)})
            : JobMessages::localized(QStringLiteral("GPU：%@"), {device->gpu});
    return JobMessages::localized(QStringLiteral("上次转写使用：%@"), {where});
}

QStringList WhisperSettings::threadChoices() const
{
    const int cores = LocalTranscriber::defaultThreads();
    QStringList choices{JobMessages::localized(QStringLiteral("自动（%d 核）"), {QString::number(cores)})};
    const int most = std::min(ModelConfiguration::maxLocalThreads, std::max(16, 2 * cores));
    for (int threads = 1; threads <= most; ++threads)
        choices << QString::number(threads);
    // A count from the configuration file beyond the list still shows as chosen.
    const int stored = ModelConfiguration::load(m_preferences).localThreads;
    if (stored > most)
        choices << QString::number(stored);
    return choices;
}

int WhisperSettings::threadIndex() const
{
    const int stored = ModelConfiguration::load(m_preferences).localThreads;
    if (stored <= 0)
        return 0;
    return int(threadChoices().indexOf(QString::number(stored)));
}

void WhisperSettings::setThreadIndex(int index)
{
    const QStringList choices = threadChoices();
    if (index < 0 || index >= choices.size() || index == threadIndex())
        return;
    const int threads = index == 0 ? 0 : choices[index].toInt();
    saveConfiguration([threads](ModelConfiguration &configuration) { configuration.localThreads = threads; });
}

void WhisperSettings::saveConfiguration(const std::function<void(ModelConfiguration &)> &change)
{
    try {
        ModelConfiguration configuration = ModelConfiguration::load(m_preferences);
        change(configuration);
        configuration.save(m_preferences);
        Q_EMIT SettingsEvents::instance().modelConfigurationSaved();
    } catch (...) {
        setOwnMessage(describeCurrentError(), true);
    }
    Q_EMIT changed();
}

void WhisperSettings::checkModel()
{
    if (m_downloads)
        m_downloads->run(selectedID(), false);
}

void WhisperSettings::download()
{
    if (m_downloads)
        m_downloads->run(selectedID(), true);
}

void WhisperSettings::cancel()
{
    if (m_downloads)
        m_downloads->cancel();
}

void WhisperSettings::useSelected()
{
    runUseSelected(selectedID());
}

QCoro::Task<> WhisperSettings::runUseSelected(QString id)
{
    QPointer<WhisperSettings> self(this);
    try {
        QCoro::Task<WhisperModel> verifying = m_models.verifyInstalled(id, {});
        co_await verifying;
        if (!self)
            co_return;
        ModelConfiguration configuration = ModelConfiguration::load(m_preferences);
        configuration.asrService = QStringLiteral("whisper");
        configuration.localASRModel = id;
        configuration.save(m_preferences);
        setOwnMessage(L(QStringLiteral("已切换为本地转写，音频不上传。")), false);
        Q_EMIT SettingsEvents::instance().modelConfigurationSaved();
    } catch (...) {
        if (self)
            setOwnMessage(describeCurrentError(), true);
    }
}
