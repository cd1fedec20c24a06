// The windows family: run-time properties of the main window and its controls,
// each control named by its identifier. Texts are GBK. These may be called from
// any thread; work that Windows only allows on the window's own thread is
// handed to it.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

void SetCaption(uint32_t id, std::string_view text);
Text GetCaption(uint32_t id);

// The visible property. A control on a tab page is on screen only while the
// property is set and its page is selected.
void SetVisible(uint32_t id, bool visible);
bool GetVisible(uint32_t id);

// The picture of a drawing board, from the bytes of an image file (GIF, BMP,
// PNG, JPEG). The empty byte set clears it.
void SetPicture(uint32_t id, const ByteSet& picture);

// The period of a timer in milliseconds; 0 stops it.
void SetTimerPeriod(uint32_t id, int milliseconds);
int GetTimerPeriod(uint32_t id);

// The target of a hyperlink box, and opening it with the system's handler.
void SetHyperlinkTarget(uint32_t id, std::string_view url);
void OpenHyperlink(uint32_t id);

// The index of the selected page of a tab control, from 0.
int GetSelectedPage(uint32_t id);

// The list box family. Items count from 0; -1 means no item.
void ListClear(uint32_t id);
void ListAppend(uint32_t id, std::string_view text);
int ListCount(uint32_t id);
int ListSelectedIndex(uint32_t id);
Text ListItemText(uint32_t id, int index);
void ListDelete(uint32_t id, int index);

// The message a drawing board answers with the picture it holds: the result's
// high 32 bits are the byte length of the picture, the low 32 bits its CRC-32
// (both 0 when it shows nothing). WM_APP + 0x101.
inline constexpr unsigned kPictureQueryMessage = 0x8000 + 0x101;

}  // namespace rt
