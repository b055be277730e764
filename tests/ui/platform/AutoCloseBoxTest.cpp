// Boxes and dialogs in automatic mode close themselves with the answer that changes nothing;
// outside it they wait for the user.
#include "platform/AutoCloseBox.h"

#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "app/MissingFilePrompt.h"
#include "platform/ProgramState.h"
#include "tools/uidriver/UiDriver.h"

namespace {

class AutoClose : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    SetAutoCloseDelay(300);
  }
  void TearDown() override {
    g_automaticMode = 0;
    SetAutoCloseDelay(30000);
  }
};

TEST_F(AutoClose, UnansweredBoxTakesTheLosingAnswer) {
  struct Row {
    UINT type;
    int answer;
  } rows[] = {{MB_OK, IDOK}, {MB_YESNO, IDNO}, {MB_OKCANCEL, IDCANCEL}, {MB_YESNOCANCEL, IDCANCEL}};
  g_automaticMode = 1;
  for (const Row& row : rows) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(row.answer, ShowBox(nullptr, "text", "caption", row.type)) << row.type;
    EXPECT_GE(GetTickCount() - start, 250u) << "closed before its time";
  }
}

// The program's own dialogs: the About box takes OK; the missing-file prompt takes the answer no
// button gives, which leaves the day out for the next run.
TEST_F(AutoClose, UnansweredDialogTakesItsAutomaticAnswer) {
  g_automaticMode = 1;
  g_instance = GetModuleHandleA(nullptr);
  EXPECT_EQ(1, RunModalDialog("AboutBox", nullptr, AboutBoxProc, 0, IDOK));
  EXPECT_EQ(kPromptLeftUnanswered, RunMissingFilePrompt(nullptr, "/tkvn/dn/data/24-12-03.lzh"));
}

TEST_F(AutoClose, InteractiveBoxWaitsForTheUser) {
  int result = 0;
  ui::MessageBoxText seen;
  ui::DriveModal([&] { result = ShowBox(nullptr, "Create it?", "File Download", MB_YESNO); },
                 [&] {
                   Sleep(800);  // well past the automatic delay
                   seen = ui::AnswerMessageBox(IDYES);
                 });
  EXPECT_EQ(IDYES, result);
  EXPECT_EQ("Create it?", seen.text);
}

}  // namespace
