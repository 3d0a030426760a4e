#pragma once

class QNetworkAccessManager;

// How our HTTP sessions reach the outside world.
namespace NetworkProxy {

// Sends the manager's requests through the proxy the system names for each address (the
// https_proxy, http_proxy and no_proxy variables every Linux network program honours, or the
// desktop's proxy settings), except to this computer itself (localhost, loopback addresses),
// which is always reached directly.
void useSystemSettings(QNetworkAccessManager &manager);

} // namespace NetworkProxy
