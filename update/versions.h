// The version file math.ini and its server copy math.tmp, and what the update
// check makes of them. Touches no Windows interface.
#pragma once

#include <cstddef>
#include <string_view>

#include "runtime/data/blocks.h"

// An upgrade is offered whenever the two versions differ byte for byte: an
// older server version, or the same one spelled differently ("1.0" against
// "1.00"), or one missing on one side only, offers it too. There is no order.
bool VersionsDiffer(std::string_view local, std::string_view server);

// The caption that shows the server's version file: its bytes as GBK text,
// each zero byte shown as a space so that nothing after it is lost. Bytes that
// are not GBK are left to the window's conversion, which shows a stand-in
// character for each.
rt::Text ServerTextCaption(std::string_view fileBytes);

// Whether a download is as long as the version file says its archive is
// (题库大小, 主程序大小; banktool publish writes them). A body that breaks off
// without a length (chunks through a proxy) ends like a whole one as far as
// the download can tell, so this is what tells it. A size the file does not
// name, or names in anything but plain decimal digits, tells nothing.
bool SizeMatches(std::string_view namedSize, size_t downloaded);

// Whether the downloaded main program looks like an archive a student can
// unpack: RAR, ZIP or 7z, or a self-extracting program. An error page that a
// server sends with its own status (a missing file gives nginx's "404 Not
// Found" page) is none of these, and is neither saved nor recorded.
bool LooksLikeProgramArchive(std::string_view bytes);
