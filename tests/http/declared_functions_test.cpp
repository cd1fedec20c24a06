// Binding the program's declared functions by name, as the runtime support
// library does before it runs the program: a function with an empty DLL text
// comes from the system DLLs, one with a DLL text from that DLL only.
#include "program/declared_functions_win.h"

#include <gtest/gtest.h>

#include "program/function_declarations.h"

namespace {

void* Export(const char* dll, const char* name) {
  HMODULE module = LoadLibraryA(dll);
  return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

TEST(DeclaredFunctions, AnEmptyDllTextMeansTheSystemDlls) {
  EXPECT_EQ(program::BindDeclaredFunction("CreateThread", ""), Export("kernel32.dll", "CreateThread"));
  EXPECT_EQ(program::BindDeclaredFunction("CallWindowProcA", ""), Export("user32.dll", "CallWindowProcA"));
  // WinINet is loaded in this process, yet a WinINet function declared
  // without its DLL is not found: only the system DLLs are searched.
  ASSERT_NE(Export("wininet.dll", "InternetOpenA"), nullptr);
  EXPECT_EQ(program::BindDeclaredFunction("InternetOpenA", ""), nullptr);
  EXPECT_EQ(program::BindDeclaredFunction("InternetOpenA", "wininet.dll"), Export("wininet.dll", "InternetOpenA"));
  // A DLL text names that DLL alone.
  EXPECT_EQ(program::BindDeclaredFunction("CreateThread", "wininet.dll"), nullptr);
  EXPECT_EQ(program::BindDeclaredFunction("NoSuchFunction", ""), nullptr);
  EXPECT_EQ(program::BindDeclaredFunction("InternetOpenA", "no-such-library.dll"), nullptr);
}

TEST(DeclaredFunctions, TheProgramsDeclarationsAllBindInDeclarationOrder) {
  const auto list = program::DeclaredFunctionList();
  ASSERT_EQ(list.size(), program::kDeclaredFunctionCount);
  std::vector<void*> bound;
  for (const program::FunctionDeclaration& f : list) {
    bound.push_back(program::BindDeclaredFunction(f.name, f.dll));
    EXPECT_NE(bound.back(), nullptr) << f.name;
  }
  // The table the program calls through has the same order as the list.
  const program::DeclaredFunctions& table = program::Declared();
  const void* const* members = reinterpret_cast<const void* const*>(&table);
  for (size_t i = 0; i < bound.size(); ++i) EXPECT_EQ(members[i], bound[i]) << list[i].name;
  EXPECT_EQ(reinterpret_cast<void*>(table.InternetReadFile), Export("wininet.dll", "InternetReadFile"));
  EXPECT_EQ(reinterpret_cast<void*>(table.CreateEventA), Export("kernel32.dll", "CreateEventA"));
}

TEST(DeclaredFunctions, AnIncompleteBindingIsNotTaken) {
  const void* const before = reinterpret_cast<void*>(program::Declared().OpenEventA);
  void* addresses[program::kDeclaredFunctionCount] = {};
  EXPECT_FALSE(program::UseDeclaredFunctions(addresses, program::kDeclaredFunctionCount));
  EXPECT_FALSE(program::UseDeclaredFunctions(nullptr, program::kDeclaredFunctionCount));
  EXPECT_EQ(reinterpret_cast<void*>(program::Declared().OpenEventA), before);
}

}  // namespace
