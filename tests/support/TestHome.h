#pragma once

#include <QTemporaryDir>

namespace TestSupport {

// Points the preferences, the application-support folder and the home library of this test
// process at a temporary folder, so no test touches a person's files. False when it cannot.
bool useThrowawayHome(const QTemporaryDir &home);

} // namespace TestSupport
