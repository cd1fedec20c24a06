#include "program/function_declarations.h"

namespace program {
namespace {

constexpr FunctionDeclaration kFunctions[] = {
#define TESSALY_DECLARED_FUNCTION(name, dll) {#name, dll},
#include "program/declared_functions.def"
#undef TESSALY_DECLARED_FUNCTION
};

}  // namespace

std::span<const FunctionDeclaration> DeclaredFunctionList() { return kFunctions; }

}  // namespace program
