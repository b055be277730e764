// Ends the first active dial-up connection when the user leaves the program, and waits a few
// seconds for the line to go down.
#pragma once

#include <windows.h>

#include <ras.h>

#include <vector>

// Hangs up the first connection that the Remote Access Service reports, then polls its status
// until it has gone, for at most kHangUpLimitMs. When it is still there after that, says so in a
// message box owned by the session window. No connection, or a failing enumeration, is no error.
void HangUpModem();

constexpr DWORD kHangUpLimitMs = 5000;
constexpr DWORD kHangUpPollMs = 50;

// The platform calls the hang-up makes: the Remote Access Service (which Wine does not provide),
// the clock and the pause between status queries. The default forwards to RASAPI32 and KERNEL32.
class HangUpPlatform {
 public:
  virtual ~HangUpPlatform() = default;
  // The active connections in the order the enumeration reports them (at most ten); empty when
  // there is none or the enumeration fails.
  virtual std::vector<HRASCONN> Connections() = 0;
  virtual void HangUp(HRASCONN connection) = 0;
  // True while the status query succeeds, that is while the connection still exists.
  virtual bool StillConnected(HRASCONN connection) = 0;
  virtual DWORD Milliseconds() = 0;
  virtual void Pause(DWORD ms) = 0;
};

// Replaces the platform the hang-up uses; nullptr restores the real one. For tests.
void SetHangUpPlatform(HangUpPlatform* platform);
