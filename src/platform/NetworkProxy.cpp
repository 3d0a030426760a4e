#include "platform/NetworkProxy.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>

namespace {

bool isThisComputer(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive))
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

// Asked afresh for every connection, so a changed setting applies to the next request.
class SystemProxyFactory final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        if (isThisComputer(query.peerHostName()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        QList<QNetworkProxy> proxies = systemProxyForQuery(query);
        if (proxies.isEmpty())
            proxies << QNetworkProxy(QNetworkProxy::NoProxy);
        return proxies;
    }
};

} // namespace

namespace NetworkProxy {

void useSystemSettings(QNetworkAccessManager &manager)
{
    manager.setProxyFactory(new SystemProxyFactory); // the manager owns it
}

} // namespace NetworkProxy
