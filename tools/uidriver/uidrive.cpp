// Command-line front end of the UI driver, for end-to-end scripts that run the program as a
// process under Wine. One action per call; texts are printed on stdout, failures on stderr with
// exit status 1.
//
//   uidrive wait CAPTION [MS]            wait for a top-level window
//   uidrive gone CAPTION [MS]            wait until no such window is shown
//   uidrive text CAPTION ID              print a control's text
//   uidrive set CAPTION ID TEXT          set an edit's text at once
//   uidrive type CAPTION ID TEXT         type into an edit, character by character
//   uidrive click CAPTION ID             click a button or check box
//   uidrive key CAPTION VK               press a key (a number, or ESC, RETURN, TAB)
//   uidrive close CAPTION                the close box / system menu Close
//   uidrive checked|enabled|visible CAPTION ID   print 1 or 0
//   uidrive focus CAPTION                print the id of the focused control
//   uidrive list CAPTION ID              print a list box's lines
//   uidrive box [MS] [CAPTION]           wait for a message box, print it as JSON
//   uidrive answer BUTTON [MS] [CAPTION] wait for a message box, press BUTTON (1 OK, 2 Cancel,
//                                        4 Retry, 6 Yes, 7 No), print it as JSON
//   uidrive boxes                        print every message box on screen as JSON lines
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/uidriver/UiDriver.h"

namespace {

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void PrintBox(const ui::MessageBoxText& box) {
  std::printf("{\"caption\": %s, \"text\": %s}\n", Json(box.caption).c_str(), Json(box.text).c_str());
}

UINT KeyCode(const char* name) {
  if (!std::strcmp(name, "ESC")) return VK_ESCAPE;
  if (!std::strcmp(name, "RETURN")) return VK_RETURN;
  if (!std::strcmp(name, "TAB")) return VK_TAB;
  return static_cast<UINT>(std::strtoul(name, nullptr, 0));
}

int Usage() {
  std::fprintf(stderr, "usage: uidrive wait|gone|text|set|type|click|key|close|checked|enabled|visible|focus|"
                       "list|box|answer|boxes ...\n");
  return 2;
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string verb = argv[1];
  auto arg = [&](int i) -> const char* { return i < argc ? argv[i] : nullptr; };
  auto ms = [&](int i) { return arg(i) ? std::atoi(arg(i)) : ui::kDefaultTimeoutMs; };

  if (verb == "boxes") {
    for (auto& box : ui::MessageBoxes()) PrintBox(box);
    return 0;
  }
  if (verb == "box") {
    PrintBox(ui::WaitForMessageBox(ms(2), arg(3) ? arg(3) : ""));
    return 0;
  }
  if (verb == "answer" && arg(2)) {
    PrintBox(ui::AnswerMessageBox(std::atoi(arg(2)), ms(3), arg(4) ? arg(4) : ""));
    return 0;
  }
  if (!arg(2)) return Usage();
  if (verb == "wait") {
    ui::WaitForWindow(arg(2), ms(3));
    return 0;
  }
  if (verb == "gone") {
    if (HWND w = ui::FindTopWindow(arg(2))) ui::WaitForWindowGone(w, ms(3));
    return 0;
  }
  HWND window = ui::WaitForWindow(arg(2), 5000);
  if (verb == "close") {
    ui::CloseBox(window);
    return 0;
  }
  if (verb == "focus") {
    std::printf("%d\n", ui::FocusedItemId(window));
    return 0;
  }
  if (!arg(3)) return Usage();
  if (verb == "key") {
    ui::PressKey(window, KeyCode(arg(3)));
    return 0;
  }
  int id = std::atoi(arg(3));
  if (verb == "text") {
    std::printf("%s\n", ui::ItemText(window, id).c_str());
  } else if (verb == "set" && arg(4)) {
    ui::SetItemText(window, id, arg(4));
  } else if (verb == "type" && arg(4)) {
    ui::TypeText(window, id, arg(4));
  } else if (verb == "click") {
    ui::Click(window, id);
  } else if (verb == "checked") {
    std::printf("%d\n", ui::IsChecked(window, id) ? 1 : 0);
  } else if (verb == "enabled") {
    std::printf("%d\n", ui::IsItemEnabled(window, id) ? 1 : 0);
  } else if (verb == "visible") {
    std::printf("%d\n", ui::IsItemVisible(window, id) ? 1 : 0);
  } else if (verb == "list") {
    for (auto& line : ui::ListLines(window, id)) std::printf("%s\n", line.c_str());
  } else {
    return Usage();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "uidrive: %s\n", e.what());
    return 1;
  }
}
