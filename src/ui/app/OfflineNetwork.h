#pragma once

#include <QQmlNetworkAccessManagerFactory>

class QQmlEngine;

// The network as the interface sees it: none. Every request a QML component would make (an image
// named by a note's text, a remote source, anything) is refused before it leaves the process; the
// services layer is the only code that talks to servers. Installed on every QML engine the
// program makes.
class OfflineNetwork final : public QQmlNetworkAccessManagerFactory {
public:
    QNetworkAccessManager *create(QObject *parent) override;

    // Gives the engine the one shared factory (the engine does not own it).
    static void install(QQmlEngine *engine);
};
