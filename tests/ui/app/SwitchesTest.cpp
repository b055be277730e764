#include <windows.h>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "platform/ProgramState.h"

TEST(ReadSwitches, SubstringsWithExactCase) {
  struct Row {
    const char* line;
    int automatic, amiBroker, pivotrax;
  } rows[] = {
      {"", 0, 0, 0},
      {"/a", 1, 0, 0},
      {"/abc", 1, 0, 0},
      {"/A", 0, 0, 0},
      {"/A /abc", 1, 0, 0},
      {"x/ay", 1, 0, 0},
      {"/XAMI /ZPVTRX", 0, 0, 0},
      {"/xami", 0, 1, 0},
      {"/zpvtrx", 0, 0, 1},
      {"/xami /zpvtrx /a", 1, 1, 1},
  };
  SetErrorMode(0);  // the test runner's own choice
  for (const auto& r : rows) {
    SCOPED_TRACE(r.line);
    ReadSwitches(r.line);
    EXPECT_EQ(r.automatic, g_automaticMode);
    EXPECT_EQ(r.amiBroker, g_amiBrokerMode);
    EXPECT_EQ(r.pivotrax, g_pivotraxMode);
    // An automatic run asks the system to show none of its own error boxes.
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX;
    EXPECT_EQ(r.automatic ? quiet : 0u, SetErrorMode(0) & quiet);
  }
}
