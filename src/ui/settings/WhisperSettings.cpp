#include "WhisperSettings.h"
#include "SourceBinding.h"

#include "SettingsEvents.h"
#include "Strings.h"
#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "services/LocalTranscriber.h"
#include "services/ModelConfiguration.h"
#include "services/WhisperDownloadState.h"
#include "services/WhisperModels.h"

#include <QFileInfo>
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
    for (const WhisperModel &model : m_models.catalogue())
        names << model.name;
    return names;
}

QString WhisperSettings::selectedID() const
{
    return m_downloads ? m_downloads->selectedID() : QString();
}

int WhisperSettings::modelIndex() const
{
    const QString id = selectedID();
    const QList<WhisperModel> &catalogue = m_models.catalogue();
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        if (catalogue[i].id == id)
            return int(i);
    }
    return -1;
}

void WhisperSettings::setModelIndex(int index)
{
    const QList<WhisperModel> &catalogue = m_models.catalogue();
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
    for (const WhisperModel &model : m_models.catalogue()) {
        if (model.id == id)
            return model.name;
    }
    return id;
}

bool WhisperSettings::busy() const
{
    return m_downloads && m_downloads->busy();
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
