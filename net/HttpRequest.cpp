#include "net/HttpRequest.h"

#include <string>

#include "net/Base64.h"

bool BuildHttpRequest(const DownloadSettings& settings, const RequestTarget& target, std::string* out) {
  out->clear();
  const std::string port = std::to_string(target.serverPort);
  const char* proxyCredentials = nullptr;
  std::string proxyLine;
  // The proxy's credentials go to the proxy alone, never to the download server itself.
  if (settings.UseProxy != 0 && settings.ProxyLogin != 0) {
    // Copied out at once: the next encoding overwrites the shared buffer.
    proxyCredentials = EncodeCredentials(FieldText(settings.ProxyUsername), FieldText(settings.ProxyPassword));
    if (proxyCredentials == nullptr) return false;
    proxyLine.append("Proxy-Authorization: Basic ").append(proxyCredentials).append("\r\n");
  }
  const char* credentials = EncodeCredentials(FieldText(settings.Username), FieldText(settings.Password));
  if (credentials == nullptr) return false;

  std::string request;
  request.reserve(kRequestBlockSize);
  request.append("GET ");
  if (settings.UseProxy != 0) {
    request.append("http://").append(target.serverHost);
    if (target.serverPort != 80) request.append(":").append(port);
  }
  request.append(target.serverPath).append(" HTTP/1.0\r\n");
  request.append("User-Agent: ").append(target.amiBrokerMode ? "tkvndn-ami" : "tkvndn").append("\r\n");
  request.append("Host: ").append(target.serverHost).append(":").append(port).append("\r\n");
  request.append("Cookie: TICKVANE=").append(FieldText(settings.Username));
  request.append("; VOLSER=").append(target.volumeSerial).append("\r\n");
  request.append(proxyLine);
  request.append("Authorization: Basic ").append(credentials).append("\r\n\r\n");
  if (request.size() >= kRequestBlockSize) return false;
  *out = std::move(request);
  return true;
}
