# The program's version, TESSALY_VERSION (e.g. "1.0.2"), goes to:
#  - the main window's caption and the about text: compile definition
#    TESSALY_VERSION, given only to the targets that show or check it, so that
#    a new version rebuilds little;
#  - the version resources of tessaly.exe and krnln.fnr;
#  - <build tree>/tessaly-version.txt, from which scripts take it (the demo
#    bank's math.ini 主程序版本, so the release's math.ini and its archive's name).
#
# The text names files and archives and sits in C strings, so it is kept to
# "1.0.2"-like forms: one to four numbers (each at most 65535, the limit of a
# version resource's number) joined by dots, optionally followed by a suffix of
# letters, digits, '.', '_' or '-' (as in "1.0.3-beta"); 32 characters at most.
string(LENGTH "${TESSALY_VERSION}" length)
if(length GREATER 32
   OR NOT TESSALY_VERSION MATCHES "^([0-9]+)(\\.([0-9]+))?(\\.([0-9]+))?(\\.([0-9]+))?([-_][0-9A-Za-z._-]*)?$")
  message(FATAL_ERROR "TESSALY_VERSION \"${TESSALY_VERSION}\" is not a version like 1.0.2 or 1.0.3-beta")
endif()
set(groups "${CMAKE_MATCH_1}" "${CMAKE_MATCH_3}" "${CMAKE_MATCH_5}" "${CMAKE_MATCH_7}")
set(TESSALY_VERSION_NUMBERS "")
foreach(number IN LISTS groups)
  if(number STREQUAL "")
    set(number 0)
  endif()
  # Leading zeros would make the numbers octal to the resource compiler.
  string(REGEX REPLACE "^0+([0-9])" "\\1" number "${number}")
  if(number GREATER 65535)
    message(FATAL_ERROR "TESSALY_VERSION \"${TESSALY_VERSION}\": ${number} is larger than 65535")
  endif()
  list(APPEND TESSALY_VERSION_NUMBERS ${number})
endforeach()
string(REPLACE ";" "," TESSALY_VERSION_NUMBERS "${TESSALY_VERSION_NUMBERS}")

file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/tessaly-version.txt CONTENT "${TESSALY_VERSION}\n")

# tessaly_version_definition(<target>): the target's code gets TESSALY_VERSION,
# the version as a C string.
function(tessaly_version_definition target)
  target_compile_definitions(${target} PRIVATE TESSALY_VERSION="${TESSALY_VERSION}")
endfunction()

# tessaly_version_resource(<target> <description>): gives the target a version
# resource (VERSIONINFO) with the version above, the product's name, this
# description and the target's file name, in Chinese (Simplified, PRC).
function(tessaly_version_resource target description)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(suffix ${target} SUFFIX)
  if(NOT suffix)
    if(type STREQUAL "EXECUTABLE")
      set(suffix ${CMAKE_EXECUTABLE_SUFFIX})
    else()
      set(suffix ${CMAKE_SHARED_LIBRARY_SUFFIX})
    endif()
  endif()
  set(TESSALY_FILE_NAME "${name}${suffix}")
  if(type STREQUAL "EXECUTABLE")
    set(TESSALY_FILE_TYPE VFT_APP)
  else()
    set(TESSALY_FILE_TYPE VFT_DLL)
  endif()
  set(TESSALY_FILE_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version_info.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
