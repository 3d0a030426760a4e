#include "SettingsEvents.h"

SettingsEvents &SettingsEvents::instance()
{
    static SettingsEvents *events = new SettingsEvents; // lives as long as the program
    return *events;
}
