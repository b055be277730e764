// The file name under which a member is extracted flat into the destination directory.
#pragma once

#include <string>

namespace lha {

// The last component of a stored name, or false when no safe file name remains. Names are bytes
// in code page 932: a double-byte character is never split, even when its trail byte is "\"
// (0x5C). "\", "/" and 0xFF separate components. Refused: an empty name, "." and "..", a name
// holding a control character or one of : * ? " < > |, a name ending in a dot or a space, and the
// reserved device names (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$, CLOCK$), with or
// without an extension, in any case.
bool FlatName(const std::string& stored, std::string* flat);

// True for a flat name that Windows would run, load or open as a program: its extension (after the
// last dot, in any case) is one of those of programs, scripts, shortcuts, installers, libraries,
// control-panel items and registry files. The data directory holds the batch files the program
// itself runs, so an archive from the server must never put such a file there.
bool IsProgramFileName(const std::string& flat);

}  // namespace lha
