// The About box: product, version, vendor contacts and the build's date and time.
#pragma once

#include <windows.h>

#include <string>

// "This Compile: " followed by the build date ("Sep  2 2013") and time ("17:19:28").
std::string BuildLine(const char* date, const char* time);

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
