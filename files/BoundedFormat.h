// Formatting into the program's fixed-size buffers (260 bytes for local paths, 200 for server
// paths): the text either fits whole or the call says it does not. Nothing is written past
// `size`; a text that does not fit is left cut to size - 1 characters, for a message to show.
#pragma once

#include <cstddef>

#if defined(__GNUC__)
#define TKVN_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define TKVN_PRINTF_FORMAT(f, a)
#endif

constexpr std::size_t kLocalPathSize = 260;   // a local path holds at most 259 characters
constexpr std::size_t kServerPathSize = 200;  // a server path holds at most 199 characters

// True when the whole formatted text fits into `size` bytes with its terminator.
bool FormatInto(char* out, std::size_t size, const char* format, ...) TKVN_PRINTF_FORMAT(3, 4);
