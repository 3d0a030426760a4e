#include "services/CustomServer.h"

#include "platform/Errors.h"

#include <QHostAddress>
#include <QList>
#include <QPair>

namespace CustomServer {

namespace {

[[noreturn]] void invalidAddress()
{
    throw AppFailure(QStringLiteral("自定义服务器地址无效。"));
}

QHostAddress literalAddress(const QUrl &url)
{
    QString host = url.host();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return QHostAddress(host);
}

// Only IP literals count: a host name could resolve anywhere, today or after the next DNS change.
bool isPrivateNetwork(const QUrl &url)
{
    QHostAddress address = literalAddress(url);
    if (address.isNull())
        return false;
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        address = QHostAddress(v4);
    static const QList<QPair<QHostAddress, int>> privateRanges{
        QHostAddress::parseSubnet(QStringLiteral("10.0.0.0/8")),
        QHostAddress::parseSubnet(QStringLiteral("172.16.0.0/12")),
        QHostAddress::parseSubnet(QStringLiteral("192.168.0.0/16")),
        QHostAddress::parseSubnet(QStringLiteral("169.254.0.0/16")),
        QHostAddress::parseSubnet(QStringLiteral("fc00::/7")),
        QHostAddress::parseSubnet(QStringLiteral("fe80::/10")),
    };
    for (const auto &range : privateRanges) {
        if (address.isInSubnet(range))
            return true;
    }
    return false;
}

} // namespace

QString title()
{
    return QStringLiteral("自定义服务器");
}

QString account(bool summary)
{
    return summary ? QStringLiteral("custom-summary") : QStringLiteral("custom-asr");
}

bool isLoopback(const QUrl &url)
{
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address = literalAddress(url);
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        address = QHostAddress(v4);
    return !address.isNull() && address.isLoopback();
}

QUrl baseURL(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed != text)
        invalidAddress();
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        invalidAddress();
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("https"))
        return url;
    if (scheme != QLatin1String("http"))
        invalidAddress();
    if (!isLoopback(url) && !isPrivateNetwork(url))
        throw AppFailure(QStringLiteral("自定义服务器需要 https:// 地址；http:// 只能用于本机或局域网 IP 地址。"));
    return url;
}

void checkKeyTransport(const QUrl &url, const QString &key)
{
    if (key.isEmpty() || url.scheme() == QLatin1String("https") || isLoopback(url))
        return;
    throw AppFailure(QStringLiteral("API Key 只能通过 https:// 或本机地址发送。"));
}

} // namespace CustomServer
