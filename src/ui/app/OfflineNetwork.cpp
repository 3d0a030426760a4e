#include "app/OfflineNetwork.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlEngine>

namespace {

// A reply that has already failed: no socket, no lookup, nothing sent. Its signals come on the
// next turn of the event loop, as a real reply's would.
class RefusedReply final : public QNetworkReply {
public:
    RefusedReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request, QObject *parent)
        : QNetworkReply(parent)
    {
        setRequest(request);
        setUrl(request.url());
        setOperation(operation);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        setError(ContentAccessDenied, QStringLiteral("The interface does not use the network."));
        setFinished(true);
        QMetaObject::invokeMethod(
            this,
            [this] {
                Q_EMIT errorOccurred(ContentAccessDenied);
                Q_EMIT finished();
            },
            Qt::QueuedConnection);
    }

    void abort() override {}
    qint64 bytesAvailable() const override { return 0; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
};

class RefusingManager final : public QNetworkAccessManager {
public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply *createRequest(Operation operation, const QNetworkRequest &request, QIODevice *) override
    {
        return new RefusedReply(operation, request, this);
    }
};

} // namespace

QNetworkAccessManager *OfflineNetwork::create(QObject *parent)
{
    return new RefusingManager(parent);
}

void OfflineNetwork::install(QQmlEngine *engine)
{
    static OfflineNetwork factory;
    engine->setNetworkAccessManagerFactory(&factory);
}
