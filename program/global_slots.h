// The program's twelve global slots, zero at start. On x86-64 a slot is one
// pointer wide (a heap address does not fit in 32 bits), so the slots take 96
// bytes; their order is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/data/blocks.h"

namespace program {

struct GlobalSlots {
  rt::Text ServerBaseUrl;  // slot 0: base URL of the update server that answered, ending in "/"
  // Slots 1-7: the transfer record of a download. Kept in the layout and freed
  // at exit, but every FetchUrl call now has a record of its own (http/transfer.h).
  rt::Text TransferUrl;                        // slot 1: URL
  rt::Text TransferMethod;                     // slot 2: request method
  rt::Text TransferProxy;                      // slot 3: proxy setting
  rt::Text TransferHeaders;                    // slot 4: extra request headers
  rt::Text TransferPostData;                   // slot 5: POST data
  rt::ByteSet TransferBody;                    // slot 6: body received by the download worker
  uintptr_t TransferThread = 0;                // slot 7: handle of the running download worker, 0 when none
  rt::Text MathTypeCommand;                    // slot 8: MathType's command line, empty when not installed
  alignas(void*) int32_t CurrentQuestion = 0;  // slot 9: 1-based position of the question on show
  rt::IntArray PracticePaper;                  // slot 10: record numbers of the practice paper (always a block)
  uintptr_t InstanceEvent = 0;                 // slot 11: handle of the event "myappname" marking the running instance
};

inline constexpr size_t kSlotSize = sizeof(void*);
static_assert(sizeof(GlobalSlots) == 12 * kSlotSize);
static_assert(offsetof(GlobalSlots, TransferThread) == 7 * kSlotSize);
static_assert(offsetof(GlobalSlots, MathTypeCommand) == 8 * kSlotSize);
static_assert(offsetof(GlobalSlots, CurrentQuestion) == 9 * kSlotSize);
static_assert(offsetof(GlobalSlots, PracticePaper) == 10 * kSlotSize);
static_assert(offsetof(GlobalSlots, InstanceEvent) == 11 * kSlotSize);

// The slots of the running program: in the "var" segment the runtime laid out
// for it when the runtime support library runs the program (UseGlobalSlots),
// else in the program's own data.
GlobalSlots& Globals();

// Places the slots in `memory`, which must be zero-filled, pointer-aligned
// and sizeof(GlobalSlots) bytes long, before anything has used them. False,
// and nothing changed, for memory that does not fit.
bool UseGlobalSlots(void* memory, size_t size);

}  // namespace program
