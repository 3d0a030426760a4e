#include "Strings.h"

#include "platform/Localization.h"
#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "processing/JobMessages.h"

#include <QQmlEngine>

namespace {
const QString languageKey = QStringLiteral("app.language");

QString storedLanguage()
{
    return AppLanguages::rawValue(AppLanguages::fromRawValue(Preferences::shared().string(languageKey).value_or(QString())));
}
} // namespace

Strings::Strings() : m_language(storedLanguage()) {}

Strings &Strings::instance()
{
    static Strings *strings = new Strings; // lives as long as the program
    return *strings;
}

Strings *Strings::create(QQmlEngine *, QJSEngine *)
{
    QJSEngine::setObjectOwnership(&instance(), QJSEngine::CppOwnership);
    return &instance();
}

void Strings::setLanguage(const QString &raw)
{
    const QString language = AppLanguages::rawValue(AppLanguages::fromRawValue(raw));
    try {
        Preferences::shared().setString(languageKey, language);
    } catch (...) {
        setSaveError(describeCurrentError());
        return;
    }
    setSaveError({});
    if (language == m_language)
        return;
    m_language = language;
    Q_EMIT languageChanged();
}

void Strings::setSaveError(const QString &error)
{
    if (error == m_saveError)
        return;
    m_saveError = error;
    Q_EMIT saveErrorChanged();
}

QString Strings::fontFamily() const
{
    return m_language == QLatin1String("zh-Hant") ? QStringLiteral("Noto Sans CJK TC") : QStringLiteral("Noto Sans CJK SC");
}

QString Strings::monoFamily() const
{
    return m_language == QLatin1String("zh-Hant") ? QStringLiteral("Noto Sans Mono CJK TC")
                                                 : QStringLiteral("Noto Sans Mono CJK SC");
}

QString Strings::t(const QString &key) const
{
    return AppLocalization::text(key, m_language);
}

QString Strings::f(const QString &key, const QVariantList &arguments) const
{
    QStringList values;
    for (const QVariant &argument : arguments)
        values << argument.toString();
    return JobMessages::fill(t(key), values);
}
