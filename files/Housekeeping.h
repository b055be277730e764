// Housekeeping of the data directory after a download: the presence test for a file, the rewrite
// of the text files that abc.def lists into CR LF line ends, and the date index of the data files.
// Every file written here is written whole under a temporary name beside it ("~tk*.tmp") and put
// in place in one step, so a failure leaves the old file as it was.
#pragma once

#include <cstdio>

// 1 when the file can be opened for reading and is not empty; otherwise 0.
int FileHasData(const char* path);

// Rewrites, in list order, each file that the list file `listName` (in `dataDirectory`) names, so
// that its lines end in CR LF (see CopyAsText). Passed over: an empty line, a name that could
// reach outside the data directory, a file that is not there, a program file, a file holding a NUL
// byte, and a file the rewrite would not change. A file that cannot be opened, read, written or
// put in place (or whose path is longer than 259 characters) is left as it was, the pass goes on,
// and the pass counts as failed (see BeginRewritePass). 0 when the list file cannot be opened,
// else 1.
int RewriteListedTextFiles(const char* listName, const char* dataDirectory);

// Begins a pass of rewrites (a session's, which rewrites after every archive). The first file that
// fails in a pass is named in an "Error" box owned by the session window; no later one is named.
void BeginRewritePass();
// Whether a file failed since BeginRewritePass.
bool RewritePassFailed();

// How the rewrite opens its temporary copy for writing (binary); null brings back the ordinary
// way. Tests put an opener in place whose writes fail.
using RewriteOpener = std::FILE* (*)(const char* path);
void SetRewriteOpener(RewriteOpener opener);

// Writes the file `date` in `dataDirectory`: one line per *.DN file there, however many, oldest
// first. The number of lines written, or -1 when the data files cannot be listed to the end or
// the index cannot be written or put in place: the old index then stays as it was.
int WriteDateIndex(const char* dataDirectory);
