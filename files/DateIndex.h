// The date index `date` in the data directory lists the dates of the daily data files (*.DN),
// oldest first, one "dd-mm-yy" line each. A data file carries its date in the first eight
// characters of its name: day at 0 and 1, month at 3 and 4, two-digit year at 6 and 7.
#pragma once

#include <string>
#include <vector>

// The sort key of a data file's name: its date as an 8-digit text yyyymmdd, years 00 to 70 read
// as 2000 to 2070 and 71 to 99 as 1971 to 1999. A name that does not carry digits there gives a
// key of no meaning, which is still sorted and written like any other.
std::string DateIndexKey(const std::string& fileName);

// Sorts the keys into date order (byte-wise ascending) and gives the file's bytes: one line
// "dd-mm-yy" per key, each ended by CR LF.
std::string DateIndexText(std::vector<std::string> keys);
