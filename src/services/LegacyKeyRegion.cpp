#include "services/LegacyKeyRegion.h"

#include "platform/Preferences.h"
#include "services/ModelConfiguration.h"

namespace LegacyKeyRegion {

void pin(Preferences &defaults)
{
    if (defaults.string(preferencesKey))
        return;
    QString region = QStringLiteral("beijing");
    if (const auto stored = defaults.data(ModelConfiguration::preferencesKey)) {
        const auto configuration = ModelConfiguration::decode(*stored);
        if (configuration && configuration->region == QLatin1String("singapore"))
            region = QStringLiteral("singapore");
    }
    defaults.setString(preferencesKey, region);
}

} // namespace LegacyKeyRegion
