// URL splitting: host, port and object path of the URLs the client is given,
// and what it makes of URLs without a usable host or port.
#include "http/url.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct UrlCase {
  const char* url;
  const char* host;
  int port;
  const char* path;
};

TEST(UrlSplitting, TheUnderstoodForms) {
  const UrlCase cases[] = {
      {"http://srv:8001/zentra/bank.zip", "srv", 8001, "/zentra/bank.zip"},
      {"http://srv/", "srv", 80, "/"},
      {"http://srv", "srv", 80, "/"},
      {"http://srv:8001", "srv", 8001, "/"},
      {"srv:8001/a.txt", "srv", 8001, "/a.txt"},
      {"srv", "srv", 80, "/"},
      {"HTTP://Srv/A.txt", "srv", 80, "/A.txt"},
      {"hTtP://SRV.Example:8001/Zentra/Math.ini", "srv.example", 8001, "/Zentra/Math.ini"},
      {"http://srv/page.asp?id=7", "srv", 80, "/page.asp?id=7"},
      {"http://srv/a:b", "srv", 80, "/a:b"},
      {"http://srv:8001/a:9/b", "srv", 8001, "/a:9/b"},
      {"http://127.0.0.1:8001/zentra/math.ini", "127.0.0.1", 8001, "/zentra/math.ini"},
  };
  for (const UrlCase& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlHost(c.url), c.host);
    EXPECT_EQ(UrlPort(c.url), c.port);
    EXPECT_EQ(UrlObjectPath(c.url), c.path);
  }
}

TEST(UrlSplitting, GbkPathBytesAreKeptAsTheyStand) {
  // "主机运行标志.txt" in GBK: its bytes include trail bytes that look like
  // ASCII letters, which neither the lower-casing nor the search may touch.
  const std::string name = "\xD6\xF7\xBB\xFA\xD4\xCB\xD0\xD0\xB1\xEA\xD6\xBE.txt";
  const std::string url = "http://127.0.0.1:8001/" + name;
  EXPECT_EQ(UrlHost(url), "127.0.0.1");
  EXPECT_EQ(UrlPort(url), 8001);
  EXPECT_EQ(UrlObjectPath(url).view(), "/" + name);
}

TEST(UrlSplitting, HostThatAlsoOccursInTheSchemeDoesNotMoveThePath) {
  // The host "p" occurs inside "http://"; the path still starts behind it.
  EXPECT_EQ(UrlObjectPath("http://p:8001/x"), "/x");
  EXPECT_EQ(UrlObjectPath("http://t/y?z=1"), "/y?z=1");
  EXPECT_EQ(UrlObjectPath("http://http/z"), "/z");
  EXPECT_EQ(UrlHost("http://p:8001/x"), "p");
}

TEST(UrlSplitting, EmptyOrNonNumericPortTexts) {
  EXPECT_EQ(UrlPort("http://srv:/a"), 80) << "an empty port text means the default";
  EXPECT_EQ(UrlPort("srv:"), 80);
  EXPECT_EQ(UrlPort("http://srv:8001x/a"), 0);
  EXPECT_EQ(UrlPort("http://srv:abc/a"), 0);
  EXPECT_EQ(UrlPort("http://srv:+80/a"), 0);
  EXPECT_EQ(UrlPort("http://srv:-80/a"), 0);
  EXPECT_EQ(UrlPort("http://srv:8.5/a"), 0);
  EXPECT_EQ(UrlPort("http://srv: 80/a"), 0);
  EXPECT_EQ(UrlPort("http://srv:99999999999999999999/a"), INT_MAX);
  EXPECT_EQ(UrlPort("http://srv:65536/a"), 65536) << "the request, not the splitting, refuses it";
  // A second ":" belongs to the port text.
  EXPECT_EQ(UrlPort("http://srv:80:81/a"), 0);
}

TEST(UrlSplitting, EmptyHost) {
  EXPECT_EQ(UrlHost("http:///a"), "");
  EXPECT_EQ(UrlHost("http://:8001/a"), "");
  EXPECT_EQ(UrlPort("http://:8001/a"), 8001);
  EXPECT_EQ(UrlHost(""), "");
  EXPECT_EQ(UrlPort(""), 80);
  EXPECT_EQ(UrlObjectPath(""), "/");
  EXPECT_EQ(UrlHost("http://"), "");
  EXPECT_EQ(UrlObjectPath("http://"), "/");
  // Every result begins with "/".
  EXPECT_EQ(UrlObjectPath("http:///a").view().substr(0, 1), "/");
}

}  // namespace
