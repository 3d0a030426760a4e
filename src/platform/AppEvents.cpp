#include "platform/AppEvents.h"

AppEvents &AppEvents::instance()
{
    static AppEvents *events = new AppEvents; // lives for the whole process
    return *events;
}
