#pragma once

#include <QString>

class Preferences;

// Records, once, which DashScope region the previous version's single API key belongs to, so the
// key vault can move that key to the right region's account.
namespace LegacyKeyRegion {
inline const QString preferencesKey = QStringLiteral("migration.legacy-qwen-region");

// Unless a region is already pinned, pins the region of the model configuration stored now
// ("singapore" only when it decodes and says so, "beijing" otherwise).
void pin(Preferences &defaults);
}
