// The HTTP/1.0 exchange of one transfer, on the worker thread: connect to the download server
// (or the proxy), send one GET, read the header (taking exactly its bytes off the connection, never
// one of the body), stream the body in receives of at most 512 bytes into a temporary beside the
// target file, which replaces the target only when the body is complete. A failure found here is
// shown at once, in a box owned by the session dialog, and ends the transfer through EndTransfer;
// these functions do not pass such failures upward.
#pragma once

#include <winsock.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

// 1 when connected; 0 otherwise, with WSAGetLastError telling why (the worker reports it).
int OpenServerConnection();

// Fills an IPv4 address from a host name, or failing the name lookup from a dotted address.
int ResolveAddress(sockaddr_in* address, const char* host, uint16_t port);

// The next transfer looks the peer's address and the volume serial up afresh; the worker calls it
// after every transfer that did not bring its file. (Otherwise both are used again for a while.)
void ForgetRememberedLookups();

// 1 when the body is in the target file; 0 for status 404 or an empty body (whatever the header
// said), which store nothing. A body is complete when the server closes cleanly and, with a
// Content-Length, after that many bytes; a reset or a failed receive before then stores nothing,
// and so does a body that comes slower than the least rate (LowSpeedLimit) or that would leave
// less than the free-space reserve on the target's drive (checked against the Content-Length
// before the body, and while it arrives).
// Every other end (failures, abort) goes through EndTransfer and does not return.
int GetFile();

// The body length (the Content-Length, or 100 without one), -2 for status 404, -1 when the line
// buffer cannot be had. A reply without a status line, with a transfer coding, or with a header
// beyond 64 KiB or 60 seconds ends the transfer with its message. `lengthGiven`, when not null,
// tells whether the header named a length.
long ReadResponseHeader(bool* lengthGiven = nullptr);

// Shows the status's message (caption "HTTP error") and ends the transfer with result 0.
[[noreturn]] void ShowHttpStatusError(int code);

// The serial number of the current directory's volume as unsigned decimal, "0" when unknown;
// false then.
bool GetVolumeSerialText(char* volumeName, DWORD volumeNameSize, char* out, size_t outSize);
