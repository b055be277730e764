// Base64 of RFC 4648 (standard alphabet, "=" padding, no line breaks) and the Basic credentials
// text built from it.
#pragma once

#include <cstddef>
#include <string_view>

// Writes the encoding of `length` bytes and a terminating zero into `out`, which must hold
// Base64Capacity(length) bytes; returns the number of characters written (0 for no data).
int Base64Encode(const void* data, size_t length, char* out);

constexpr size_t Base64Capacity(size_t length) { return (length + 2) / 3 * 4 + 1; }

// The longest user name and password a settings record can hold: its 20-byte fields, unterminated.
constexpr size_t kCredentialFieldMax = 20;

// Formats "user:password" and returns its Base64 encoding. The text lives in one static buffer
// that the next call overwrites, so a caller that needs two encodings copies the first. Returns
// null when either part is longer than kCredentialFieldMax (no settings record can hold that).
const char* EncodeCredentials(std::string_view username, std::string_view password);
