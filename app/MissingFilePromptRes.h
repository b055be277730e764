// Control ids of the missing-file prompt template DownloadNotAvail (res/DownloadNotAvail.rc).
#pragma once

#define IDC_PROMPT_SKIP 207
#define IDC_PROMPT_ABORT 208
#define IDC_PROMPT_TRY_AGAIN 209
