#pragma once

#include <QObject>

// Notifications among the settings screens of this program: a screen that saves the model
// configuration says so, and the others refresh what they derive from it (the "已启用" badges).
class SettingsEvents final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsEvents)
public:
    static SettingsEvents &instance();

Q_SIGNALS:
    void modelConfigurationSaved();

private:
    SettingsEvents() = default;
};
