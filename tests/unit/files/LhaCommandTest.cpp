// The command text: "e", "t" and "l" with quoted and unquoted paths.
#include <gtest/gtest.h>

#include <string>

#include "files/lha/LhaCommand.h"
#include "files/lha/LhaErrors.h"

namespace {

struct CommandCase {
  const char* text;
  char verb;  // 0: refused
  const char* archive;
  const char* destination;
};

TEST(LhaCommand, ReadsQuotedAndUnquotedPaths) {
  const CommandCase cases[] = {
      {"e c:\\tkvn\\daily\\24-01-02.lzh c:\\tkvn\\", 'e', "c:\\tkvn\\daily\\24-01-02.lzh",
       "c:\\tkvn\\"},
      {"e \"C:\\Users\\Jane Smith\\Data\\daily\\24-01-02.lzh\" \"C:\\Users\\Jane Smith\\Data\\\"", 'e',
       "C:\\Users\\Jane Smith\\Data\\daily\\24-01-02.lzh", "C:\\Users\\Jane Smith\\Data\\"},
      {"  E   a.lzh\tout\\  ", 'e', "a.lzh", "out\\"},
      {"e \"a.lzh\" out\\", 'e', "a.lzh", "out\\"},
      {"t a.lzh", 't', "a.lzh", ""},
      {"l \"with space.lzh\"", 'l', "with space.lzh", ""},
      {"", 0, nullptr, nullptr},
      {"   ", 0, nullptr, nullptr},
      {"x a.lzh out\\", 0, nullptr, nullptr},
      {"ex a.lzh out\\", 0, nullptr, nullptr},
      {"e a.lzh", 0, nullptr, nullptr},
      {"e a.lzh out\\ more", 0, nullptr, nullptr},
      {"t a.lzh b.lzh", 0, nullptr, nullptr},
      {"l", 0, nullptr, nullptr},
      {"e \"a.lzh out\\", 0, nullptr, nullptr},
      {"e \"\" out\\", 0, nullptr, nullptr},
      {"e a\"b out\\", 0, nullptr, nullptr},
      {"e \"a\"b out\\", 0, nullptr, nullptr},
  };
  for (const CommandCase& c : cases) {
    lha::LhaCommand command;
    const bool ok = lha::ParseCommand(c.text, &command);
    EXPECT_EQ(ok, c.verb != 0) << c.text;
    if (!ok || !c.verb) continue;
    EXPECT_EQ(command.verb, c.verb) << c.text;
    EXPECT_EQ(command.archive, c.archive) << c.text;
    EXPECT_EQ(command.destination, c.destination) << c.text;
  }
}

TEST(LhaCommand, UnknownCommandAndMissingArchiveGiveTheirCodes) {
  std::string report;
  EXPECT_EQ(lha::RunCommand("x a.lzh out\\", &report), lha::kErrorCommand);
  EXPECT_FALSE(report.empty());
  EXPECT_EQ(lha::RunCommand("t \"no such archive.lzh\"", &report), lha::kErrorArchiveOpen);
}

}  // namespace
