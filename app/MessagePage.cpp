#include "app/MessagePage.h"

#include <cstdio>
#include <string>

#include "app/SessionDialogRes.h"
#include "app/SessionDisplay.h"
#include "app/TextPieces.h"

void ShowMessagePage(HWND dialog, const std::string& dataDirectory) {
  SendDlgItemMessageA(dialog, IDC_SESSION_MESSAGES, LB_RESETCONTENT, 0, 0);
  bool cut = false;
  AppendMessageLines(dialog, ReadShownPieces(dataDirectory + "\\message.txt", 189, &cut));
  if (!cut) return;
  char note[100];
  std::snprintf(note, sizeof note, "The rest of the message page is not shown: it is longer than %u MiB.",
                static_cast<unsigned>(kTextReadLimit >> 20));
  AppendMessageLine(dialog, note);
}
