// Where the download server is: fixed when the program is built (the vendor's host on port 80 in
// the delivered program). A user behind a proxy reaches it through the proxy settings instead.
#pragma once

#include <cstdint>

#ifndef TKVN_SERVER_HOST
#error "TKVN_SERVER_HOST must be defined by the build"
#endif
#ifndef TKVN_SERVER_PORT
#error "TKVN_SERVER_PORT must be defined by the build"
#endif

constexpr char kServerHost[] = TKVN_SERVER_HOST;
constexpr uint16_t kServerPort = TKVN_SERVER_PORT;

static_assert(sizeof(kServerHost) > 1 && sizeof(kServerHost) <= 200, "server host name length");
static_assert(kServerPort != 0, "server port");
