// Control ids of the template Files.
#pragma once

#define IDC_FILES_LIST 132  // the catalogue's descriptions: sorted, multiple selection
