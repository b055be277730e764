// Names in the list file abc.def are relative to the data directory. A name that could reach
// outside it is refused, so that the rewrite never turns a file elsewhere on the disk into text.
#pragma once

#include <string>

// False for a name that is absolute ("\x", "/x", "\\server\x"), carries a drive or stream
// (any ":"), or has a parent component ("..", also written with trailing dots or spaces, which
// Windows strips). The empty name is not refused: it names the data directory itself, which
// cannot be opened as a file.
bool IsSafeListedName(const std::string& name);
