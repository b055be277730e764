// The special debug version traces every header byte into "\tkvndbg.txt" of the current drive.
#include <windows.h>

#include <string>

#include "net/TransferDone.h"
#include "tests/unit/net/TransferHarness.h"

namespace {

using Trace = TransferTest;

const char kTraceFile[] = "C:\\tkvndbg.txt";  // the tests run with C:\ current

// What the file holds after text-mode writes: every line feed written becomes CR LF.
std::string AsWrittenInTextMode(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST_F(Trace, EveryHeaderByteIsAppendedAndTheBodyIsNot) {
  DeleteFileA(kTraceFile);
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/t.txt": {"body": "BODY", "headers": ["X-A: 1"]}}})");
  ASSERT_EQ(Run(Target("t.txt"), "/t.txt").result, kTransferReceived);
  ASSERT_EQ(Run(Target("t.txt"), "/t.txt").result, kTransferReceived);
  const std::string header =
      "HTTP/1.0 200 OK\r\nServer: tkvn-standin\r\nContent-Type: application/octet-stream\r\n"
      "Content-Length: 4\r\nX-A: 1\r\n\r\n";
  const std::string session = "\n\n--- NEW DEBUG SESSION STARTS ---\n\n" + header;
  EXPECT_EQ(ReadFileBytes(kTraceFile), AsWrittenInTextMode(session + session));
  DeleteFileA(kTraceFile);
}

TEST_F(Trace, OverlongLineIsFollowedByTheDebugNotice) {
  DeleteFileA(kTraceFile);
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/l.txt": {"body": "x", "header_line": 3000}}})");
  TransferOutcome out = Run(Target("l.txt"), "/l.txt");
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 2u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "Error");
  EXPECT_EQ(out.boxes[0].text, "Buffer overflow");
  EXPECT_EQ(out.boxes[1].caption, "Debug");
  EXPECT_EQ(out.boxes[1].text, "Created debug file \\tkvndbg.txt");
  // The trace holds the header up to the byte that was refused.
  std::string trace = ReadFileBytes(kTraceFile);
  EXPECT_NE(trace.find("X-Filler: ffff"), std::string::npos);
  EXPECT_EQ(trace.find("Content-Length"), std::string::npos);
  DeleteFileA(kTraceFile);
}

TEST_F(Trace, TraceFileThatCannotBeOpenedEndsTheTransfer) {
  DeleteFileA(kTraceFile);
  ASSERT_TRUE(CreateDirectoryA(kTraceFile, nullptr));  // a folder in its place
  Serve("/u.txt", "u");
  std::string target = Target("u.txt");
  TransferOutcome out = Run(target, "/u.txt");
  RemoveDirectoryA(kTraceFile);
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "Error");
  EXPECT_EQ(out.boxes[0].text, "Unable to open debug file \\tkvndbg.txt");
  EXPECT_FALSE(FileExists(target));
}

}  // namespace
