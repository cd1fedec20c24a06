# embed_file(<output.cpp> <namespace> <function> <input file>): writes a source
# file defining `std::string_view <namespace>::<function>()` that returns the
# bytes of the input file, so that pictures ship inside the program.
function(embed_file output namespace function input)
  file(READ ${input} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  file(WRITE ${output}.tmp
    "// Generated from ${input}; do not edit.\n#include <string_view>\n"
    "namespace ${namespace} {\nnamespace {\nconstexpr char kBytes[] = {${bytes}};\n}\n"
    "std::string_view ${function}() { return std::string_view(kBytes, sizeof kBytes); }\n}\n")
  configure_file(${output}.tmp ${output} COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
endfunction()
