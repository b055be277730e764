// The least time any program can take for a body under this system with the receives the transfer
// makes: the header looked at in pieces of up to 512 bytes and exactly its bytes taken, the body
// at most 512 bytes per receive, and nothing else done (no file, no window, no thread). Run by
// transfer-bench.sh beside StartTransfer, to tell the cost of the receives themselves from the
// program's own.
//
//   receive_floor PORT PATH COUNT      fetches PATH (with %d replaced by 0..COUNT-1) through the
//                                      stand-in server as the proxy, one connection each
#include <winsock.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Receives up to `size` bytes, waiting only when none are there yet.
int Receive(SOCKET s, char* buffer, int size, int flags = 0) {
  for (;;) {
    int n = recv(s, buffer, size, flags);
    if (n != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK) return n;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv{10, 0};
    if (select(0, &readable, nullptr, nullptr, &tv) <= 0) return SOCKET_ERROR;
  }
}

long long Fetch(const sockaddr_in& proxy, const std::string& path) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (connect(s, reinterpret_cast<const sockaddr*>(&proxy), sizeof proxy) != 0) return -1;
  const std::string request = "GET http://download.tickvane.com" + path + " HTTP/1.0\r\n\r\n";
  send(s, request.data(), static_cast<int>(request.size()), 0);
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  char buffer[512];
  int newlines = 0;  // line feeds in a row, carriage returns aside
  while (newlines < 2) {
    const int n = Receive(s, buffer, sizeof buffer, MSG_PEEK);
    if (n <= 0) break;
    int header = 0;
    while (header < n && newlines < 2) {
      const char c = buffer[header++];
      if (c == '\n') ++newlines;
      else if (c != '\r') newlines = 0;
    }
    recv(s, buffer, header, 0);
  }
  long long body = 0;
  for (int n; (n = Receive(s, buffer, sizeof buffer)) > 0;) body += n;
  closesocket(s);
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: receive_floor PORT PATH COUNT\n");
    return 2;
  }
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return 1;
  sockaddr_in proxy = {};
  proxy.sin_family = AF_INET;
  proxy.sin_port = htons(static_cast<u_short>(std::atoi(argv[1])));
  proxy.sin_addr.s_addr = inet_addr("127.0.0.1");
  const std::string pattern = argv[2];
  const int count = std::atoi(argv[3]);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  long long bytes = 0;
  for (int i = 0; i < count; ++i) {
    std::string path = pattern;
    if (size_t at = path.find("%d"); at != std::string::npos) path.replace(at, 2, std::to_string(i));
    const long long got = Fetch(proxy, path);
    if (got < 0) return 1;
    bytes += got;
  }
  QueryPerformanceCounter(&end);
  std::printf("%d bodies of %s (%lld bytes): %.3f s of receives alone\n", count, pattern.c_str(), bytes,
              static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  return 0;
}
