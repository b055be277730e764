// Resource ids of the main window: its menu.
#pragma once

#define IDM_DOWNLOAD 102
#define IDM_EXIT 101
