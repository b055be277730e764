// Control ids of the About box template (res/AboutBox.rc).
#pragma once

#define IDC_ABOUT_BUILD 172
