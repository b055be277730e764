// The file name under which a member is extracted flat into the destination directory.
#pragma once

#include <string>

namespace lha {

// The last component of a stored name. Names are bytes in code page 932: a double-byte character
// is never split, even when its trail byte is "\" (0x5C). "\", "/" and 0xFF separate components.
std::string LastComponent(const std::string& stored);

// The last component of a stored name, or false when no usable file name remains (see
// KindOfFileName).
bool FlatName(const std::string& stored, std::string* flat);

}  // namespace lha
