#pragma once

#include <QObject>

// Application-wide notifications between settings and screens.
class AppEvents final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppEvents)
public:
    static AppEvents &instance();

Q_SIGNALS:
    // "Hushnote.providerKeysChanged": an API key was saved or removed.
    void providerKeysChanged();
    // "Hushnote.configurationApplied": a configuration file was applied.
    void configurationApplied();

private:
    AppEvents() = default;
};
