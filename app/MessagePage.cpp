#include "app/MessagePage.h"

#include <string>

#include "app/SessionDialogRes.h"
#include "app/SessionDisplay.h"
#include "app/TextPieces.h"

void ShowMessagePage(HWND dialog, const std::string& dataDirectory) {
  SendDlgItemMessageA(dialog, IDC_SESSION_MESSAGES, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : ReadShownPieces(dataDirectory + "\\message.txt", 189))
    AppendMessageLine(dialog, line.c_str());
}
