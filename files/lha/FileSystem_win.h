// The Windows side of the extractor's file system, for tests.
#pragma once

namespace lha {

// The code page member names and directories are converted from: the system's (CP_ACP) unless a
// test sets another, such as a double-byte one that Wine does not run in.
void SetNameCodePage(unsigned codePage);

}  // namespace lha
