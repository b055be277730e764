// Housekeeping of the data directory after a download: the presence test for a file, the rewrite
// of the text files that abc.def lists into CR LF line ends, and the date index of the data files.
// Nothing here shows a message; every failure is given as the result.
#pragma once

// 1 when the file can be opened for reading and is not empty; otherwise 0.
int FileHasData(const char* path);

// Rewrites, in list order, each file that the list file `listName` (in `dataDirectory`) names, so
// that its lines end in CR LF (see CopyAsText). The pass ends at the first name that cannot be
// opened: a missing file, an empty line (the directory itself), a name that could reach outside
// the data directory, or a path longer than 259 characters. A file whose copy fails is left as it
// was. 0 when the list file cannot be opened, else 1.
int RewriteListedTextFiles(const char* listName, const char* dataDirectory);

// Writes the file `date` in `dataDirectory`: one line per *.DN file there, however many, oldest
// first. The number of lines written, or 0 when the file cannot be created or written.
int WriteDateIndex(const char* dataDirectory);
