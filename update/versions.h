// The version file math.ini and its server copy math.tmp, and what the update
// check makes of them. Touches no Windows interface.
#pragma once

#include <string_view>

#include "runtime/blocks.h"


// An upgrade is offered whenever the two versions differ byte for byte: an
// older server version, or the same one spelled differently ("1.0" against
// "1.00"), or one missing on one side only, offers it too. There is no order.
bool VersionsDiffer(std::string_view local, std::string_view server);

// The caption that shows the server's version file: its bytes as GBK text,
// each zero byte shown as a space so that nothing after it is lost. Bytes that
// are not GBK are left to the window's conversion, which shows a stand-in
// character for each.
rt::Text ServerTextCaption(std::string_view fileBytes);

// Whether the downloaded main program looks like an archive a student can
// unpack: RAR, ZIP or 7z, or a self-extracting program. An error page that a
// server sends with its own status (a missing file gives nginx's "404 Not
// Found" page) is none of these, and is neither saved nor recorded.
bool LooksLikeProgramArchive(std::string_view bytes);
