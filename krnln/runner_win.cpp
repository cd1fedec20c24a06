// The runtime support library's entry: "GetNewSock" hands out the program
// runner, and the runner runs the program whose image it is given.
//
// The runner lays the image out and checks it (image::PrepareImage), binds
// the declared functions by name (WinINet's on their first call,
// krnln/deferred_functions_win.h), finds the module that carries the image
// and links up with the program compiled into it (image/program_link.h),
// then builds the main window from the image's "form" segment and runs the
// entry routine. The program's window, constants and global slots are the
// image's; its routines are the module's, matched by name against the
// image's routine directory.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "program/declared_functions_win.h"
#include "image/image_format.h"
#include "krnln/deferred_functions_win.h"
#include "image/program_link.h"
#include "image/runner_request.h"
#include "image/runnable_image.h"
#include "runtime/window/dialogs.h"
#include "runtime/program.h"
#include "runtime/services.h"

namespace {

constexpr int kCannotRun = -1;

// Ends the process when the image cannot be run; the reason is shown first.
[[noreturn]] void Refuse(const std::string& reason) {
  rt::ShowMessageBox("程序映像有误，无法运行。\r\n" + reason, MB_ICONERROR, "错误");
  ExitProcess(static_cast<UINT>(kCannotRun));
}

// What the runner keeps for the program's whole life.
struct RunningProgram {
  std::unique_ptr<image::RunnableImage> image;
  std::vector<void*> functions;
  std::vector<rt::Routine> routines;
  std::vector<rt::NamedBytes> constants;
  std::unique_ptr<rt::ProgramDescription> description;
};

std::vector<void*> BindFunctions(const image::ProgramImage& content) {
  std::vector<void*> functions;
  for (const image::DeclaredFunction& function : content.functions) {
    void* address = krnln::DeferredFunction(function.name, function.dll, Refuse);
    if (!address) address = program::BindDeclaredFunction(function.name.c_str(), function.dll.c_str());
    if (!address) {
      Refuse("声明的函数 " + function.name + " 在 " + (function.dll.empty() ? std::string("系统 DLL") : function.dll) +
             " 中找不到。");
    }
    functions.push_back(address);
  }
  return functions;
}

HMODULE ModuleHolding(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(address), &module);
  return module;
}

[[noreturn]] void RunImage(const uint8_t* address) {
  static RunningProgram program;
  if (!address) Refuse("没有程序映像。");
  // The header says how long the image is; the reader checks the rest.
  const std::optional<uint32_t> size =
      image::ImageSizeFromHeader(std::span<const uint8_t, image::kHeaderSize>(address, image::kHeaderSize));
  if (!size) Refuse("程序映像的文件头无效。");
  std::string error;
  program.image = image::PrepareImage(std::span<const uint8_t>(address, *size), error);
  if (!program.image) Refuse(error);
  const image::ProgramImage& content = program.image->loaded.read.image;
  program.functions = BindFunctions(content);

  const HMODULE module = ModuleHolding(address);
  const auto link = module ? reinterpret_cast<image::LinkProgramFunction>(
                                 reinterpret_cast<void*>(GetProcAddress(module, image::kProgramLinkExport)))
                           : nullptr;
  if (!link) Refuse("载有程序映像的模块没有导出 " + std::string(image::kProgramLinkExport) + "。");
  image::ProgramLinkRequest request;
  request.services = &rt::RuntimeServices();
  request.declaredFunctions = program.functions.data();
  request.declaredFunctionCount = static_cast<uint32_t>(program.functions.size());
  request.globals = program.image->globals.data();
  request.globalsSize = static_cast<uint32_t>(program.image->globals.size());
  image::ProgramLink linked;
  if (!link(request, linked) || !linked.entry) Refuse("程序与本运行库的版本不符。");

  // The image's routine directory names the program's routines in the order
  // of the program's table; a program built for another image is refused.
  const std::vector<image::RoutineEntry>& directory = program.image->routines;
  if (linked.routines.size() != directory.size() - 1) Refuse("程序的子程序表与程序映像不符。");
  for (size_t i = 0; i + 1 < directory.size(); ++i) {
    if (directory[i].name != linked.routines[i].name || !linked.routines[i].function) {
      Refuse("程序的子程序表与程序映像不符：" + directory[i].name + "。");
    }
    program.routines.push_back({directory[i].name.c_str(), linked.routines[i].function});
  }
  for (const image::NamedConstant& constant : program.image->constants) {
    program.constants.push_back({constant.name, constant.bytes});
  }
  program.description = std::make_unique<rt::ProgramDescription>(
      rt::ProgramDescription{program.image->form->form(), program.routines, linked.entry, program.constants});
  rt::RunProgram(*program.description);
}

// The runner as the launcher calls it: the image's address. (On x86-64 an
// address does not fit the 32-bit argument of the original contract, so the
// runner takes a pointer.)
void __stdcall ProgramRunner(const uint8_t* image) { RunImage(image); }

}  // namespace

// Called with 1000, gives the program runner; anything else is refused with 0.
extern "C" __declspec(dllexport) void* __stdcall GetNewSock(uint32_t request) {
  static_assert(std::string_view(image::kRunnerExport) == "GetNewSock", "the export's name is this function's");
  const image::ProgramRunnerFunction runner = &ProgramRunner;
  return request == image::kRunnerRequest ? reinterpret_cast<void*>(runner) : nullptr;
}
