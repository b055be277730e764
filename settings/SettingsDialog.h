// The settings dialog: the download time, the download account, the hang-up option, the proxy
// server with its login and, through the directory chooser, the data directory.
#pragma once

#include <windows.h>

// Runs the dialog on the template DownloadSettings, modal to `owner`. It loads the record from
// the registry when it opens and saves it on a passing OK. Returns 1 after OK (even when the save
// failed, which has then been reported) and 0 after Cancel, Esc or the close box.
int RunSettingsDialog(HWND owner);
