// The request texts: methods, header-block completion, POST lines,
// percent-encoding for the request, and cookie lines of raw response headers.
#include "http/request_text.h"

#include <gtest/gtest.h>

namespace {

const std::string kUrl = "http://127.0.0.1:8001/zentra/math.ini";
const std::string kReferer = "Referer: " + kUrl + "\r\n";

std::string Completed(std::string headers) {
  CompleteHeaderBlock(headers, kUrl);
  return headers;
}

TEST(RequestMethod, ExactComparison) {
  EXPECT_EQ(MethodOf(""), RequestMethod::Get);
  EXPECT_EQ(MethodOf("GET"), RequestMethod::Get);
  EXPECT_EQ(MethodOf("POST"), RequestMethod::Post);
  EXPECT_EQ(MethodOf("get"), RequestMethod::Refused);
  EXPECT_EQ(MethodOf("Post"), RequestMethod::Refused);
  EXPECT_EQ(MethodOf("HEAD"), RequestMethod::Refused);
  EXPECT_EQ(MethodOf("GET "), RequestMethod::Refused);
}

TEST(RequestProxy, BlanksMeanDirectSystemThePcsOwnSettings) {
  EXPECT_EQ(ProxyUseOf(""), ProxyUse::Direct);
  EXPECT_EQ(ProxyUseOf("   "), ProxyUse::Direct);
  EXPECT_EQ(ProxyUseOf(" 127.0.0.2:8002 "), ProxyUse::Named);
  EXPECT_EQ(ProxyUseOf("system"), ProxyUse::System);
  EXPECT_EQ(ProxyUseOf(" system"), ProxyUse::Named) << "a proxy host of that name";
}

TEST(HeaderBlock, EmptyBlockGetsTheThreeDefaultLinesInOrder) {
  EXPECT_EQ(Completed(""), std::string(kDefaultAccept) + kReferer + "Accept-Language: zh-cn\r\n");
}

TEST(HeaderBlock, CallerLinesFoundAnywhereIgnoringCase) {
  EXPECT_EQ(Completed("accept: text/html\r\n"), "accept: text/html\r\n" + kReferer + "Accept-Language: zh-cn\r\n");
  EXPECT_EQ(Completed("X-Old-Referer: a\r\n"),
            "X-Old-Referer: a\r\n" + std::string(kDefaultAccept) + "Accept-Language: zh-cn\r\n");
  EXPECT_EQ(Completed("ACCEPT-LANGUAGE: en\r\nREFERER: x\r\nACCEPT: */*\r\n"),
            "ACCEPT-LANGUAGE: en\r\nREFERER: x\r\nACCEPT: */*\r\n");
  // "Accept-Language: " does not contain "Accept: ", so Accept is still added.
  EXPECT_EQ(Completed("Accept-Language: en\r\n"), "Accept-Language: en\r\n" + std::string(kDefaultAccept) + kReferer);
  // The marker needs its blank: "Accept:text" is not an Accept line.
  EXPECT_EQ(Completed("Accept:text/html\r\n").find(kDefaultAccept), std::string("Accept:text/html\r\n").size());
}

TEST(HeaderBlock, BlockWithoutFinalLineEndRunsOn) {
  EXPECT_EQ(Completed("X-A: 1"), "X-A: 1" + std::string(kDefaultAccept) + kReferer + "Accept-Language: zh-cn\r\n");
}

TEST(HeaderBlock, PostLinesComeAfterTheDefaultLines) {
  std::string headers = Completed("");
  AppendPostLines(headers, "a=1&b=2");
  EXPECT_EQ(headers, std::string(kDefaultAccept) + kReferer +
                         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                         "Content-Length: 7\r\n");
  // A GBK body counts bytes: "数学" is 2 characters, 4 bytes.
  std::string gbk;
  AppendPostLines(gbk, "k=\xCA\xFD\xD1\xA7");
  EXPECT_NE(gbk.find("Content-Length: 6\r\n"), std::string::npos) << gbk;
  // Caller lines are not looked for, and an empty body gets neither line.
  std::string caller = "Content-Type: text/plain\r\n";
  AppendPostLines(caller, "x");
  EXPECT_EQ(caller, "Content-Type: text/plain\r\n" + std::string(kPostContentType) + "Content-Length: 1\r\n");
  std::string empty = "X: 1\r\n";
  AppendPostLines(empty, "");
  EXPECT_EQ(empty, "X: 1\r\n");
}

TEST(RequestEncoding, NonAsciiAndControlBytesArePercentEncoded) {
  // "/主机运行标志.txt" in GBK.
  EXPECT_EQ(EncodeForRequest("/\xD6\xF7\xBB\xFA\xD4\xCB\xD0\xD0\xB1\xEA\xD6\xBE.txt"),
            "/%D6%F7%BB%FA%D4%CB%D0%D0%B1%EA%D6%BE.txt");
  EXPECT_EQ(EncodeForRequest("/a b\r\nX: y\t\x7F"), "/a%20b%0D%0AX:%20y%09%7F");
  // What may travel raw stays, an existing escape included.
  const std::string plain = "/zentra/bank.zip?id=7&x=%41~!$'()*+,;=:@";
  EXPECT_EQ(EncodeForRequest(plain), plain);
}

TEST(CookieLines, SplitAtTheFirstEquals) {
  const auto cookie = CookieFromLine("Set-Cookie: sid=ab=cd; path=/");
  ASSERT_TRUE(cookie);
  EXPECT_EQ(cookie->name, "sid");
  EXPECT_EQ(cookie->data, "ab=cd; path=/");
  const auto lower = CookieFromLine("set-cookie: k=");
  ASSERT_TRUE(lower);
  EXPECT_EQ(lower->name, "k");
  EXPECT_EQ(lower->data, "");
  EXPECT_FALSE(CookieFromLine("Set-Cookie: novalue; secure")) << "a line without = is skipped";
  EXPECT_FALSE(CookieFromLine("X-Set-Cookie: a=b")) << "only Set-Cookie lines set cookies";
  EXPECT_FALSE(CookieFromLine("Set-Cookie:a=b"));
}

TEST(CookieLines, EveryCookieOfARawHeaderBlock) {
  const std::string raw =
      "HTTP/1.1 200 OK\r\nServer: nginx\r\nSet-Cookie: sid=ab=cd; path=/\r\nContent-Length: 2\r\n"
      "Set-Cookie: broken\r\nSET-COOKIE: lang=zh; expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n\r\n";
  const auto cookies = CookiesInRawHeaders(raw);
  ASSERT_EQ(cookies.size(), 2u);
  EXPECT_EQ(cookies[0].name, "sid");
  EXPECT_EQ(cookies[0].data, "ab=cd; path=/");
  EXPECT_EQ(cookies[1].name, "lang");
  EXPECT_EQ(cookies[1].data, "zh; expires=Wed, 01 Jan 2031 00:00:00 GMT");
  // A header query that did not fit leaves the buffer blank: no cookies.
  EXPECT_TRUE(CookiesInRawHeaders(std::string(1024, ' ')).empty());
  // The last line needs no line end.
  EXPECT_EQ(CookiesInRawHeaders("HTTP/1.1 200 OK\r\nSet-Cookie: a=1").size(), 1u);
}

}  // namespace
