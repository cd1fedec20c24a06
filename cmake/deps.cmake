# Third-party libraries built from the sources that scripts/fetch-deps.sh puts
# in build/deps: SQLite (the question bank) and minizip over zlib (bank.zip).
# A tree configured with TESSALY_SYSTEM_LIBRARIES (the bank tool alone, `make
# banktool`) takes the system's SQLite and minizip instead (Debian:
# libsqlite3-dev, libminizip-dev), so that it needs nothing fetched.
option(TESSALY_SYSTEM_LIBRARIES "use the system's SQLite and minizip instead of build/deps" OFF)
if(TESSALY_SYSTEM_LIBRARIES)
  find_package(SQLite3 REQUIRED)
  find_package(ZLIB REQUIRED)
  find_path(MINIZIP_INCLUDE_DIR unzip.h PATH_SUFFIXES minizip REQUIRED)
  find_library(MINIZIP_LIBRARY minizip REQUIRED)
  add_library(sqlite3 INTERFACE)
  target_link_libraries(sqlite3 INTERFACE SQLite::SQLite3)
  add_library(minizip INTERFACE)
  target_include_directories(minizip SYSTEM INTERFACE ${MINIZIP_INCLUDE_DIR})
  target_link_libraries(minizip INTERFACE ${MINIZIP_LIBRARY} ZLIB::ZLIB)
  return()
endif()

set(TESSALY_DEPS ${PROJECT_SOURCE_DIR}/build/deps)
if(NOT EXISTS ${TESSALY_DEPS}/sqlite3/sqlite3.c OR NOT EXISTS ${TESSALY_DEPS}/minizip/unzip.c)
  message(FATAL_ERROR "dependency sources missing: run scripts/fetch-deps.sh (make does)")
endif()

add_library(sqlite3 STATIC ${TESSALY_DEPS}/sqlite3/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${TESSALY_DEPS}/sqlite3)
target_compile_definitions(sqlite3 PRIVATE
  SQLITE_THREADSAFE=1 SQLITE_DEFAULT_MEMSTATUS=0 SQLITE_DQS=0 SQLITE_OMIT_DEPRECATED
  SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_SHARED_CACHE SQLITE_USE_URI=0)
set_target_properties(sqlite3 PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_compile_options(sqlite3 PRIVATE -w -O2)
if(NOT WIN32)
  find_package(Threads REQUIRED)
  target_link_libraries(sqlite3 PUBLIC Threads::Threads ${CMAKE_DL_LIBS} m)
endif()

if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)  # no zlib DLL beside the program
endif()
find_package(ZLIB REQUIRED)
set(MINIZIP_SOURCES ${TESSALY_DEPS}/minizip/unzip.c ${TESSALY_DEPS}/minizip/zip.c ${TESSALY_DEPS}/minizip/ioapi.c)
if(WIN32)
  list(APPEND MINIZIP_SOURCES ${TESSALY_DEPS}/minizip/iowin32.c)
endif()
add_library(minizip STATIC ${MINIZIP_SOURCES})
target_include_directories(minizip SYSTEM PUBLIC ${TESSALY_DEPS}/minizip)
target_compile_options(minizip PRIVATE -w)
target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT)
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
