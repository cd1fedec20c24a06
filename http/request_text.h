// The texts of one HTTP request and response that need no network: the method
// rule, the completion of the caller's header block with the default lines, the
// percent-encoding of what cannot travel raw, and the cookie lines of the raw
// response headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr std::string_view kHttpVersion = "HTTP/1.1";
inline constexpr std::string_view kDefaultAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
inline constexpr std::string_view kDefaultAcceptLanguage = "Accept-Language: zh-cn\r\n";
inline constexpr std::string_view kPostContentType = "Content-Type: application/x-www-form-urlencoded\r\n";
inline constexpr std::string_view kProxyPrefix = "http=";
inline constexpr std::string_view kCookieMarker = "Set-Cookie: ";

enum class RequestMethod { Get, Post, Refused };

// Empty or "GET" is a GET, "POST" a POST; anything else ("get", "HEAD") is
// refused. Letter case counts.
RequestMethod MethodOf(std::string_view method);

// The proxy text "system" asks for the PC's own proxy settings.
inline constexpr std::string_view kSystemProxyText = "system";

enum class ProxyUse { Direct, Named, System };

// How the proxy text asks to connect: blanks (or nothing) directly,
// "system" through the PC's own proxy settings, anything else through that
// proxy.
ProxyUse ProxyUseOf(std::string_view proxy);

// Appends the default lines the header block lacks, in this order: Accept,
// Referer (with `referer` as its value), Accept-Language. Each test looks for
// "Accept: ", "Referer: " or "Accept-Language: " anywhere in the block, letter
// case ignored, so "X-Old-Referer: a" counts as a Referer line; each line is
// appended directly at the end, so a block without a final CR LF runs on into
// the first default line.
void CompleteHeaderBlock(std::string& headers, std::string_view referer);

// The two lines a POST with a body gets: the form content type and the byte
// length of `postData`. Nothing for an empty body.
void AppendPostLines(std::string& headers, std::string_view postData);

// The text with every byte that cannot travel raw in a request line or a header
// value written as %XX: control bytes, space, DEL and every byte from 0x80 up,
// so a GBK path reaches the server as the same bytes whatever the machine's
// ANSI code page is, and a CR LF in a URL cannot start a header line of its own.
std::string EncodeForRequest(std::string_view text);

struct Cookie {
  std::string name;
  std::string data;  // the value with its attributes ("ab=cd; path=/")
};

// A response header line "Set-Cookie: name=data" (marker letter case ignored):
// split at the first "=" behind the marker. Lines that do not begin with the
// marker, or have no "=", give nothing.
std::optional<Cookie> CookieFromLine(std::string_view line);

// The cookies of every Set-Cookie line of a raw header block (lines ending in
// CR LF), in order.
std::vector<Cookie> CookiesInRawHeaders(std::string_view rawHeaders);
