#include "services/OllamaClient.h"

#include "platform/Errors.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString addressMessage = QStringLiteral("Ollama 仅支持本机 HTTP 地址，例如 http://127.0.0.1:11434。");

bool isLoopbackHost(const QString &host)
{
    static const QStringList allowed{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"),
                                     QStringLiteral("[::1]"), QStringLiteral("::1")};
    return allowed.contains(host);
}

} // namespace

QUrl OllamaClient::baseURL(const QString &text)
{
    const QString trimmed = text.trimmed();
    // QUrl lower-cases the scheme it parses; the address must say "http" exactly.
    if (!trimmed.startsWith(QLatin1String("http:")))
        throw AppFailure(addressMessage);
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http"))
        throw AppFailure(addressMessage);
    if (url.host().isEmpty() || !isLoopbackHost(url.host()))
        throw AppFailure(addressMessage);
    if (!url.userInfo().isEmpty() || trimmed.section(QLatin1Char('/'), 2, 2).contains(QLatin1Char('@'))
        || url.hasQuery() || url.hasFragment())
        throw AppFailure(addressMessage);
    if (!url.path().isEmpty() && url.path() != QLatin1String("/"))
        throw AppFailure(addressMessage);
    const int port = url.port();
    if (port != -1 && (port < 1 || port > 65535))
        throw AppFailure(addressMessage);

    if (url.host() == QLatin1String("localhost"))
        url.setHost(QStringLiteral("127.0.0.1"));
    url.setPath(QString());
    if (!url.isValid())
        throw AppFailure(QStringLiteral("Ollama 地址无效。"));
    return url;
}

bool OllamaClient::validModel(const QString &name)
{
    if (name.isEmpty() || name.size() > 200)
        return false;
    // Anchored on the whole text: "$" alone would let a trailing line feed through.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[a-zA-Z0-9][a-zA-Z0-9._:/-]*")));
    return pattern.match(name).hasMatch();
}
