// The pieces of a transfer's URL that the WinINet calls need. One form is
// understood: an optional "http://" (any letter case), a host name, optionally
// ":" and a port, optionally a path beginning with "/". A ":" after the first
// "/" behind the host is never a port separator, and a query stays in the path.
#pragma once

#include <string_view>

#include "runtime/data/blocks.h"

// The host name in lower case; the empty text when the URL names none
// ("http:///a", "http://:8001/").
rt::Text UrlHost(std::string_view url);

// The port: 80 when the URL gives none or gives an empty port text ("srv:/a").
// A port text that is not a plain decimal number ("8001x", "abc", "+80", "8.5")
// gives 0, and a number too large for an int gives the largest int; the
// request refuses every port outside 1-65535, so such URLs fail cleanly.
int UrlPort(std::string_view url);

// The object path, always beginning with "/": everything from the first "/"
// after the host, or "/" when there is none.
rt::Text UrlObjectPath(std::string_view url);
