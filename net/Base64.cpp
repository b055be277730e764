#include "net/Base64.h"

int Base64Encode(const void* data, size_t length, char* out) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const unsigned char* in = static_cast<const unsigned char*>(data);
  size_t n = 0;
  size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    unsigned v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    out[n++] = kAlphabet[(v >> 18) & 63];
    out[n++] = kAlphabet[(v >> 12) & 63];
    out[n++] = kAlphabet[(v >> 6) & 63];
    out[n++] = kAlphabet[v & 63];
  }
  if (i < length) {
    unsigned v = in[i] << 16;
    if (i + 1 < length) v |= in[i + 1] << 8;
    out[n++] = kAlphabet[(v >> 18) & 63];
    out[n++] = kAlphabet[(v >> 12) & 63];
    out[n++] = i + 1 < length ? kAlphabet[(v >> 6) & 63] : '=';
    out[n++] = '=';
  }
  out[n] = '\0';
  return static_cast<int>(n);
}

const char* EncodeCredentials(std::string_view username, std::string_view password) {
  constexpr size_t kPlainMax = 2 * kCredentialFieldMax + 1;
  static char encoded[Base64Capacity(kPlainMax)];
  if (username.size() > kCredentialFieldMax || password.size() > kCredentialFieldMax) return nullptr;
  char plain[kPlainMax];
  size_t n = 0;
  n += username.copy(plain, username.size());
  plain[n++] = ':';
  n += password.copy(plain + n, password.size());
  Base64Encode(plain, n, encoded);
  return encoded;
}
