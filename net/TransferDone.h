// The one message that ends every started transfer, and the results it carries.
#pragma once

#include <windows.h>

// Posted once to the dialog window for every transfer that StartTransfer started:
//   wParam  the transfer result: kTransferReceived, kTransferFailed or kTransferAborted
//           (as a WPARAM, so -1 arrives as all bits set: cast to int to read it)
//   lParam  the request kind given to StartTransfer, unchanged
constexpr UINT WM_TRANSFERDONE = WM_USER + 10;

// The body was received and written into the target file.
constexpr int kTransferReceived = 1;
// Failed or not available; a message box has been shown for every cause except status 404, an
// empty body and a memory failure of the line or body buffer. The target is as it was.
constexpr int kTransferFailed = 0;
// Aborted by the user while connecting, reading the header or receiving the body; the target is
// as it was.
constexpr int kTransferAborted = -1;
