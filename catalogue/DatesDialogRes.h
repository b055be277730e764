// Control ids of the dates dialog GetDnlDates (res/GetDnlDates.rc).
#pragma once

#define IDC_START_DATE 126
#define IDC_END_DATE 127
#define IDC_ASCII_UPDATE 1030
#define IDC_CLEAN_UP 1031
