// Settings for tests of the transfer; the delivered program never calls these.
#pragma once

#include <windows.h>

#include <cstdint>

// Connects direct transfers to `host`:`port` instead of the built-in download server; the request
// still names the built-in server. Null restores the built-in one.
void SetServerPeerForTests(const char* host, uint16_t port);

// The longest wait for the connection and for the whole header, and the window in which the body
// must bring kLowSpeedMinimumBytes; 0 restores the 60 seconds.
void SetWaitLimitForTests(DWORD milliseconds);

// Replaces WriteFile for the body; null restores it.
using TargetWriter = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
void SetTargetWriterForTests(TargetWriter writer);
