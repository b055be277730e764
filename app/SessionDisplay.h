// The small operations on the session dialog's controls that the session and its completion
// steps share: the Download button's caption, the item label, the status line, the message list
// and the progress bar.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// busy 1: the Download button reads "&Abort" and the item label shows `text`; busy 0: "&Download"
// and an empty label.
void SetBusyDisplay(HWND dialog, int busy, const char* text);
// Enables or disables Configure, Files and Download, in that order.
void EnableSessionButtons(HWND dialog, int enable);
void AppendMessageLine(HWND dialog, const char* text);
// Adds `lines` in order, redrawing the list once at the end rather than after every line (which
// makes thousands of lines take minutes under Wine).
void AppendMessageLines(HWND dialog, const std::vector<std::string>& lines);
// Makes the last line of the message list the top visible line.
void ScrollMessagesToEnd(HWND dialog);
// True when some line of the message list begins with `prefix`, in any letter case.
bool MessageListHasPrefix(HWND dialog, const char* prefix);
void SetStatusLine(HWND dialog, const char* text);
void SetItemLabel(HWND dialog, const char* text);
// on 1: the progress bar gets the marquee style and animates every 10 ms; on 0: the animation
// stops and the style is taken off again, so that later transfers show their progress.
void SetProgressMarquee(HWND dialog, int on);
// The system menu's Close and the Exit button together: off while the ASCII update runs.
void EnableClosing(HWND dialog, int enable);
