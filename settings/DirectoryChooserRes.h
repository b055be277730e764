// Control ids of the template DIRSELECT. They are the ids that the old-style common open dialog
// fills by itself (stc1, lst2, stc4 and cmb2 of <dlgs.h>), so they cannot be chosen freely.
#pragma once

#define IDD_DIRSELECT "DIRSELECT"

#define IDC_DIRSELECT_PATH 1088         // stc1: full path of the directory shown
#define IDC_DIRSELECT_DIRECTORIES 1121  // lst2: directory list
#define IDC_DIRSELECT_DRIVES_LABEL 1091 // stc4: "Dri&ves:"
#define IDC_DIRSELECT_DRIVES 1137       // cmb2: drive list
