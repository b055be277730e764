// The daily message page in the session dialog's message list.
#pragma once

#include <windows.h>

#include <string>

// Empties the message list and fills it with the lines of message.txt in `dataDirectory` (in
// pieces of at most 189 characters, each cut at its first control byte or byte from 0x80 up, a
// piece of exactly "<PRE>" left out). A missing file leaves the list empty. A page longer than
// the read limit (app/TextPieces.h) is cut there, and a last line says so.
void ShowMessagePage(HWND dialog, const std::string& dataDirectory);
