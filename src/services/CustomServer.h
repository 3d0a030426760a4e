#pragma once

#include <QString>
#include <QUrl>

// A person's own OpenAI-compatible server (speaches, vLLM, LocalAI, whisper.cpp's server, ...)
// serving transcription or summaries. Its address is typed by hand, so it is checked before
// anything is sent: https anywhere, plain http only to this computer or a private network, and a
// key never in the clear to another machine.
namespace CustomServer {

// The value of asrService / summaryService that selects the custom server.
inline const QString service = QStringLiteral("custom");

// The Simplified-Chinese title (a localization key).
QString title();
// The key-vault account of the role: "custom-summary" or "custom-asr".
QString account(bool summary);

// The checked base address. Throws AppFailure for an empty or malformed address, a scheme other
// than http/https, user info, a query or fragment, or http to a host that is neither loopback nor
// a private-network IP address.
QUrl baseURL(const QString &text);
// True for localhost and the loopback addresses: the same computer.
bool isLoopback(const QUrl &url);
// Throws AppFailure when a non-empty key would travel over plain http to another machine.
void checkKeyTransport(const QUrl &url, const QString &key);

} // namespace CustomServer
