#include "services/EngineDevice.h"

EngineDevice &EngineDevice::shared()
{
    static EngineDevice *device = new EngineDevice();
    return *device;
}

void EngineDevice::report(const WhisperOutput::Device &device)
{
    if (m_last == device)
        return;
    m_last = device;
    Q_EMIT changed();
}
