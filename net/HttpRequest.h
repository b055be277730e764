// The one GET request of a transfer, byte for byte: request line, user agent, host, the two
// cookies, the proxy credentials when the request goes through the proxy with its login on, the
// user's credentials, empty line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/DownloadSettings.h"

// The request block of a transfer; every request the settings record allows fits in it.
constexpr size_t kRequestBlockSize = 2058;

struct RequestTarget {
  std::string_view serverHost;  // the download server, named in the Host line (and the URI)
  uint16_t serverPort = 80;     // ":80" in the Host line; other ports also in the absolute URI
  std::string_view serverPath;  // begins with "/"
  std::string_view volumeSerial;  // decimal text of the current volume's serial number
  bool amiBrokerMode = false;     // selects the "tkvndn-ami" agent
};

// Builds the request from the transfer's copy of the settings. Through a proxy (UseProxy set)
// the request line carries the absolute URI and, with ProxyLogin set, a Proxy-Authorization
// line; a direct request never carries the proxy's credentials. Returns false (and leaves `out`
// empty) when the request would not fit its block.
bool BuildHttpRequest(const DownloadSettings& settings, const RequestTarget& target, std::string* out);

