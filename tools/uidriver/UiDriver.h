// Drives the program's windows as a user would, for tests: from another thread of the same
// process or from another process. Windows are found by caption; message boxes are read (caption
// and text) and answered; edits are typed into, buttons and check boxes clicked, list boxes read.
//
// Every wait polls in small steps and throws ui::Timeout with a clear message when its time is
// up, so a test never hangs on a window that does not come.
#pragma once

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui {

constexpr int kDefaultTimeoutMs = 15000;

struct Timeout : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A message box as the user sees it.
struct MessageBoxText {
  HWND window = nullptr;
  std::string caption;
  std::string text;
};

// The process whose windows are searched: 0 means any process (the default for the command-line
// driver); tests in the same process pass GetCurrentProcessId().
void SetTargetProcess(DWORD pid);

// A visible top-level window with exactly this caption, or null.
HWND FindTopWindow(const std::string& caption);
HWND WaitForWindow(const std::string& caption, int timeoutMs = kDefaultTimeoutMs);
// Waits until `window` is gone or hidden.
void WaitForWindowGone(HWND window, int timeoutMs = kDefaultTimeoutMs);

// Visible message boxes now on screen (top-level dialogs with the message text control).
std::vector<MessageBoxText> MessageBoxes();
// The first message box to appear (with this caption, when one is given).
MessageBoxText WaitForMessageBox(int timeoutMs = kDefaultTimeoutMs, const std::string& caption = "");
// Waits for a message box, presses `button` (IDOK, IDCANCEL, IDYES, IDNO, ...) and returns what
// it said. Waits until the box has gone.
MessageBoxText AnswerMessageBox(int button, int timeoutMs = kDefaultTimeoutMs, const std::string& caption = "");

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// Sets the whole text at once, as pasting would (EN_CHANGE follows).
void SetItemText(HWND dialog, int id, const std::string& text);
// Clears the edit and types the text character by character, so the edit's limit applies.
void TypeText(HWND dialog, int id, const std::string& text);
bool IsItemEnabled(HWND dialog, int id);
bool IsItemVisible(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// The control that has the keyboard focus in the dialog's thread, or null.
HWND FocusedWindow(HWND dialog);
int FocusedItemId(HWND dialog);
// The selection of an edit control: first and one past the last character.
void EditSelection(HWND dialog, int id, int* start, int* end);

// Clicks a button or check box as the mouse would; refuses (throws) when it is disabled or hidden.
void Click(HWND dialog, int id);
// Posts a key press (e.g. VK_ESCAPE, VK_RETURN) to the focused control, as the keyboard would.
void PressKey(HWND dialog, UINT virtualKey);
// The system menu's Close (or the caption's close box).
void CloseBox(HWND window);

std::vector<std::string> ListLines(HWND dialog, int id);
std::vector<int> ListSelection(HWND dialog, int id);
// Selects or deselects one line of a list box as a click would, with LBN_SELCHANGE.
void SelectListLine(HWND dialog, int id, int index, bool selected);
// Double-clicks one line of a single-selection list box: selects it, then LBN_DBLCLK.
void ActivateListLine(HWND dialog, int id, int index);

// Runs `modal` (which opens a modal dialog and returns when it ends) on this thread while
// `driver` runs on a second thread. When the driver throws, the failure is recorded and the
// modal loops of this thread are ended, so the test goes on; the failure is then rethrown here.
void DriveModal(const std::function<void()>& modal, const std::function<void()>& driver);

}  // namespace ui
