#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "net/Base64.h"
#include "net/HttpRequest.h"

namespace {

std::string Encode(const std::string& data) {
  char out[Base64Capacity(64)];
  int n = Base64Encode(data.data(), data.size(), out);
  EXPECT_EQ(static_cast<size_t>(n), std::strlen(out));
  return out;
}

TEST(Base64, MatchesTheRfcVectorsAndPadsToFourCharacters) {
  EXPECT_EQ(Encode(""), "");
  EXPECT_EQ(Encode("f"), "Zg==");
  EXPECT_EQ(Encode("fo"), "Zm8=");
  EXPECT_EQ(Encode("foo"), "Zm9v");
  EXPECT_EQ(Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(Encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Encode(std::string("\x00\xff\xfe\x3e\x3f", 5)), "AP/+Pj8=");
}

TEST(Base64, CredentialsKeepTheColonAndLongestFieldsGiveFiftyTwoCharacters) {
  EXPECT_STREQ(EncodeCredentials("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  EXPECT_STREQ(EncodeCredentials("user", ""), "dXNlcjo=");  // "user:"
  EXPECT_STREQ(EncodeCredentials("", ""), "Og==");          // ":"
  const char* longest = EncodeCredentials("abcdefghijklmnopqrs", "ABCDEFGHIJKLMNOPQRS");
  ASSERT_NE(longest, nullptr);
  EXPECT_EQ(std::strlen(longest), 52u);
  EXPECT_EQ(std::string(longest), Encode("abcdefghijklmnopqrs:ABCDEFGHIJKLMNOPQRS"));
}

TEST(Base64, CredentialsShareOneBufferAndRefuseWhatNoRecordHolds) {
  const char* first = EncodeCredentials("a", "b");
  const char* second = EncodeCredentials("c", "d");
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "Yzpk");  // "c:d": the second call overwrote the first
  EXPECT_EQ(EncodeCredentials(std::string(21, 'u'), "p"), nullptr);
  EXPECT_EQ(EncodeCredentials("u", std::string(21, 'p')), nullptr);
  // An unterminated 20-byte field is still encoded whole.
  ASSERT_NE(EncodeCredentials(std::string(20, 'u'), std::string(20, 'p')), nullptr);
}

DownloadSettings Settings(const char* user, const char* password) {
  DownloadSettings s;
  DefaultDownloadSettings(&s);
  std::snprintf(s.Username, sizeof s.Username, "%s", user);
  std::snprintf(s.Password, sizeof s.Password, "%s", password);
  return s;
}

void SetProxy(DownloadSettings* s, bool useProxy, bool login, const char* user, const char* password) {
  s->UseProxy = useProxy ? 1 : 0;
  std::snprintf(s->ProxyHost, sizeof s->ProxyHost, "%s", "proxy.example");
  s->ProxyPort = 3128;
  s->ProxyLogin = login ? 1 : 0;
  std::snprintf(s->ProxyUsername, sizeof s->ProxyUsername, "%s", user);
  std::snprintf(s->ProxyPassword, sizeof s->ProxyPassword, "%s", password);
}

std::string Build(const DownloadSettings& s, const char* path = "/tkvn/dn/holiday.txt", bool ami = false,
                  uint16_t port = 80) {
  RequestTarget target;
  target.serverHost = "download.tickvane.com";
  target.serverPort = port;
  target.serverPath = path;
  target.volumeSerial = "305441741";
  target.amiBrokerMode = ami;
  std::string out;
  EXPECT_TRUE(BuildHttpRequest(s, target, &out));
  return out;
}

TEST(HttpRequest, DirectRequestIsExactlyTheseBytes) {
  EXPECT_EQ(Build(Settings("jsmith", "pw")),
            "GET /tkvn/dn/holiday.txt HTTP/1.0\r\n"
            "User-Agent: tkvndn\r\n"
            "Host: download.tickvane.com:80\r\n"
            "Cookie: TICKVANE=jsmith; VOLSER=305441741\r\n"
            "Authorization: Basic anNtaXRoOnB3\r\n"
            "\r\n");
}

TEST(HttpRequest, ThroughTheProxyTheRequestLineCarriesTheAbsoluteUri) {
  DownloadSettings s = Settings("jsmith", "pw");
  SetProxy(&s, true, false, "px", "py");
  EXPECT_EQ(Build(s, "/daily.phtml", true),
            "GET http://download.tickvane.com/daily.phtml HTTP/1.0\r\n"
            "User-Agent: tkvndn-ami\r\n"
            "Host: download.tickvane.com:80\r\n"
            "Cookie: TICKVANE=jsmith; VOLSER=305441741\r\n"
            "Authorization: Basic anNtaXRoOnB3\r\n"
            "\r\n");
}

TEST(HttpRequest, ProxyLoginAddsItsLineBeforeTheUsersOnlyThroughTheProxy) {
  const std::string proxyLine = "Proxy-Authorization: Basic cHg6cHk=\r\n";  // "px:py"
  DownloadSettings s = Settings("jsmith", "pw");
  SetProxy(&s, true, true, "px", "py");
  EXPECT_EQ(Build(s),
            "GET http://download.tickvane.com/tkvn/dn/holiday.txt HTTP/1.0\r\n"
            "User-Agent: tkvndn\r\n"
            "Host: download.tickvane.com:80\r\n"
            "Cookie: TICKVANE=jsmith; VOLSER=305441741\r\n" +
                proxyLine + "Authorization: Basic anNtaXRoOnB3\r\n\r\n");
  SetProxy(&s, false, true, "px", "py");  // direct: the server never sees the proxy password
  EXPECT_EQ(Build(s),
            "GET /tkvn/dn/holiday.txt HTTP/1.0\r\n"
            "User-Agent: tkvndn\r\n"
            "Host: download.tickvane.com:80\r\n"
            "Cookie: TICKVANE=jsmith; VOLSER=305441741\r\n"
            "Authorization: Basic anNtaXRoOnB3\r\n\r\n");
}

TEST(HttpRequest, EmptyPasswordAndLongestFieldsAreEncodedWhole) {
  std::string empty = Build(Settings("jsmith", ""));
  EXPECT_NE(empty.find("\r\nAuthorization: Basic anNtaXRoOg==\r\n\r\n"), std::string::npos) << empty;

  DownloadSettings s = Settings("abcdefghijklmnopqrs", "ABCDEFGHIJKLMNOPQRS");
  SetProxy(&s, true, true, "abcdefghijklmnopqrs", "ABCDEFGHIJKLMNOPQRS");
  std::string longest = Build(s, ("/" + std::string(199, 'p')).c_str());
  const std::string encoded = "YWJjZGVmZ2hpamtsbW5vcHFyczpBQkNERUZHSElKS0xNTk9QUVJT";
  ASSERT_EQ(encoded.size(), 52u);
  EXPECT_NE(longest.find("Proxy-Authorization: Basic " + encoded + "\r\n"), std::string::npos);
  EXPECT_NE(longest.find("\r\nAuthorization: Basic " + encoded + "\r\n\r\n"), std::string::npos);
  EXPECT_NE(longest.find("Cookie: TICKVANE=abcdefghijklmnopqrs; VOLSER="), std::string::npos);
  EXPECT_LT(longest.size(), kRequestBlockSize);
}

TEST(HttpRequest, UnterminatedFieldsAreReadOnlyWithinTheirBytes) {
  DownloadSettings s = Settings("", "");
  std::memset(s.Username, 'u', sizeof s.Username);  // no terminator: runs into Password
  std::memcpy(s.Password, "pw", 3);
  std::string request = Build(s);
  EXPECT_NE(request.find("Cookie: TICKVANE=" + std::string(20, 'u') + "; VOLSER="), std::string::npos);
  EXPECT_NE(request.find("Authorization: Basic " + std::string(EncodeCredentials(std::string(20, 'u'), "pw"))),
            std::string::npos);
}

TEST(HttpRequest, ABuildPortOtherThanEightyIsNamedInHostAndUri) {
  DownloadSettings s = Settings("u", "p");
  SetProxy(&s, true, false, "", "");
  std::string request = Build(s, "/x", false, 8080);
  EXPECT_EQ(request.rfind("GET http://download.tickvane.com:8080/x HTTP/1.0\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nHost: download.tickvane.com:8080\r\n"), std::string::npos);
}

}  // namespace
