#pragma once

#include <QString>

// Where the program keeps its files. The application-support folder is
// QStandardPaths::GenericDataLocation + "Hushnote" unless a caller (a test, the command line's
// options) overrides it before first use.
namespace AppPaths {
QString applicationSupport();                    // ~/.local/share/Hushnote
void setApplicationSupportOverride(const QString &folder); // empty restores the default
QString homeLibrary();                           // applicationSupport()/Library
QString modelsFolder();                          // applicationSupport()/models
QString configurationFile();                     // applicationSupport()/configuration.json
// The folder that holds the running executable's helpers (whisper-cli): ../libexec/hushnote from
// the executable's folder, laid out the same way in the build tree and when installed.
QString helpersFolder();
}
