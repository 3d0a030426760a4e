#include "ConfigurationEditor.h"

#include "Strings.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "services/SystemConfiguration.h"

#include <QDir>
#include <QFile>

ConfigurationEditor::ConfigurationEditor(QObject *parent)
    : ConfigurationEditor(Preferences::shared(), AppPaths::configurationFile(), parent)
{
}

ConfigurationEditor::ConfigurationEditor(Preferences &preferences, QString file, QObject *parent)
    : QObject(parent), m_preferences(preferences), m_file(std::move(file))
{
    reset();
}

QString ConfigurationEditor::fileLocation() const
{
    const QString home = QDir::homePath();
    return m_file.startsWith(home + QLatin1Char('/')) ? QStringLiteral("~") + m_file.mid(home.size()) : m_file;
}

void ConfigurationEditor::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    Q_EMIT changed();
}

void ConfigurationEditor::reset()
{
    m_text = SystemConfiguration::current(m_preferences).editingJSON();
    m_error.clear();
    Q_EMIT changed();
}

void ConfigurationEditor::readFile(const QUrl &url)
{
    try {
        QFile file(url.isLocalFile() ? url.toLocalFile() : url.toString());
        if (!file.open(QIODevice::ReadOnly))
            throw SystemError(file.errorString());
        // Read one byte past the limit instead of trusting the size: a file may grow meanwhile,
        // and a device or pipe has no size at all.
        const QByteArray bytes = file.read(SystemConfiguration::maxDocumentBytes + 1);
        if (bytes.size() > SystemConfiguration::maxDocumentBytes)
            throw AppFailure(QStringLiteral("配置文件不能超过 1 MB。"));
        if (file.error() != QFileDevice::NoError)
            throw SystemError(file.errorString());
        const QString text = QString::fromUtf8(bytes);
        SystemConfiguration::parse(text);
        m_text = text;
        m_error.clear();
    } catch (...) {
        m_error = describeCurrentError();
    }
    Q_EMIT changed();
}

bool ConfigurationEditor::apply()
{
    try {
        const SystemConfiguration configuration = SystemConfiguration::parse(m_text);
        configuration.apply(m_preferences, m_file);
        m_error.clear();
        Q_EMIT changed();
        // The stored language may have changed: every window follows at once.
        Strings::instance().setLanguage(configuration.language);
        return true;
    } catch (...) {
        m_error = describeCurrentError();
        Q_EMIT changed();
        return false;
    }
}
