// Housekeeping of the data directory after a download: the presence test for a file, the rewrite
// of the text files that abc.def lists into CR LF line ends, and the date index of the data files.
// Every file written here is written whole under a temporary name beside it ("~tk*.tmp") and put
// in place in one step, so a failure leaves the old file as it was.
#pragma once

#include <cstdio>

// 1 when the file can be opened for reading and is not empty; otherwise 0.
int FileHasData(const char* path);

// Rewrites, in list order, each file that the list file `listName` (in `dataDirectory`) names, so
// that its lines end in CR LF (see CopyAsText). The pass ends silently at the first name that
// cannot be opened: a missing file, an empty line (the directory itself), a name that could reach
// outside the data directory, or a path longer than 259 characters. A file whose rewrite cannot be
// written or put in place is left as it was and named in an "Error" box owned by the session
// window, once per pass (see BeginRewritePass), and the pass goes on with the next name. 0 when
// the list file cannot be opened, else 1.
int RewriteListedTextFiles(const char* listName, const char* dataDirectory);

// Begins a pass of rewrites (a session's, which rewrites after every archive): a file that could
// not be rewritten is named again only in a later pass.
void BeginRewritePass();

// How the rewrite opens its temporary copy for writing (binary); null brings back the ordinary
// way. Tests put an opener in place whose writes fail.
using RewriteOpener = std::FILE* (*)(const char* path);
void SetRewriteOpener(RewriteOpener opener);

// Writes the file `date` in `dataDirectory`: one line per *.DN file there, however many, oldest
// first. The number of lines written, or 0 when the file cannot be written or put in place (the
// old index then stays as it was).
int WriteDateIndex(const char* dataDirectory);
