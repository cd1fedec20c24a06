#include "shell/globals.h"

#include "program/global_slots.h"
#include "update/server_probe.h"

using program::Globals;

void InitGlobals() { Globals().PracticePaper.MakeEmpty(); }

void ReleaseGlobals() {
  // The text and byte-set slots in slot order, then the paper. Thread and event
  // handles and the question position are plain values and stay as they are.
  ReleaseServerBaseUrl();  // under the lock the update check's thread reads it with
  Globals().TransferUrl.Free();
  Globals().TransferMethod.Free();
  Globals().TransferProxy.Free();
  Globals().TransferHeaders.Free();
  Globals().TransferPostData.Free();
  Globals().TransferBody.Free();
  Globals().MathTypeCommand.Free();
  Globals().PracticePaper.Free();
}
