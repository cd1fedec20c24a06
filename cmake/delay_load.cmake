# tessaly_delay_import(<target> <dll> <function>...): an import library of
# these functions of the DLL that loads it on the first call of one of them
# instead of when the program starts (MinGW-w64's delay-loading: dlltool
# --output-delaylib; the helper, __delayLoadHelper2, is in its C runtime).
# Linking <target> instead of the DLL's own import library keeps a DLL that
# start-up does not use out of the start. A function left out of the list
# fails the link.
function(tessaly_delay_import target dll)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/lib${target}.a)
  list(JOIN ARGN "\n" exports)
  file(GENERATE OUTPUT ${def} CONTENT "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(${target}_import DEPENDS ${lib})
  add_library(${target} INTERFACE)
  add_dependencies(${target} ${target}_import)
  target_link_libraries(${target} INTERFACE ${lib})
endfunction()
