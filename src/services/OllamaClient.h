#pragma once

#include <QString>
#include <QUrl>

// Talks to an Ollama server on this computer. Only loopback HTTP addresses are accepted.
class OllamaClient final {
public:
    // Validates a user-entered server address and normalises it ("localhost" becomes "127.0.0.1",
    // the path becomes empty). Throws AppFailure for anything that is not a loopback HTTP address.
    static QUrl baseURL(const QString &text);

    // Whether a model name is one Ollama could have installed: 1-200 characters of
    // letters, digits and "._:/-", starting with a letter or digit.
    static bool validModel(const QString &name);
};
