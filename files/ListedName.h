// Names in the list file abc.def are relative to the data directory. A name that could reach
// outside it, or a device, is refused, so that the rewrite never turns a file elsewhere on the
// disk into text and never waits on a device.
#pragma once

#include <string>

// False for a name that is absolute ("\x", "/x", "\\server\x"), carries a drive or stream
// (any ":"), has a parent component ("..", also written with trailing dots or spaces, which
// Windows strips) or names a device (see IsDeviceName). The empty name is not refused: it names
// the data directory itself, which is no file to rewrite.
bool IsSafeListedName(const std::string& name);
