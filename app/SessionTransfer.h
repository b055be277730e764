// How the session starts and aborts its transfers: through the transfer worker, or, in tests of
// the dialog, through a fake that records the requests and answers them with WM_TRANSFERDONE.
#pragma once

#include <windows.h>

#include <cstdint>

class SessionTransport {
 public:
  virtual ~SessionTransport() = default;
  // As StartTransfer: 7 when the transfer runs (one WM_TRANSFERDONE will follow), 3 to 6 when
  // it did not start.
  virtual int Start(HWND dialog, HWND progressBar, const char* targetPath, const char* serverPath,
                    int32_t requestKind) = 0;
  virtual void Abort() = 0;
};

// The transport in use: the transfer worker unless a test has put its own in place.
SessionTransport& Transport();
// Replaces the transport; nullptr restores the transfer worker. For tests.
void SetSessionTransport(SessionTransport* transport);
