# The program's version is the greatest key of its version table; read it from there so the
# version resource and the installer never announce a stale one.
# Sets KESTRANE_VERSION (YYYYMMDD) and KESTRANE_VI_VERSION (a.b.c.d for Windows' version
# resources) and writes generated/version_info.h for resources/kestrane.rc.
set(kestrane_version_source ${CMAKE_SOURCE_DIR}/config/version_table.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kestrane_version_source})
file(STRINGS ${kestrane_version_source} kestrane_version_lines REGEX "{L\"[0-9]+\"")
set(KESTRANE_VERSION "")
foreach(line ${kestrane_version_lines})
  if(line MATCHES "{L\"([0-9]+)\"" AND CMAKE_MATCH_1 STRGREATER KESTRANE_VERSION)
    set(KESTRANE_VERSION ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NOT KESTRANE_VERSION MATCHES "^([0-9][0-9][0-9][0-9])([0-9][0-9])([0-9][0-9])$")
  message(FATAL_ERROR "No version of the form YYYYMMDD found in ${kestrane_version_source}")
endif()
# Four numbers below 65536: 20261208 becomes 2026.12.8.0.
math(EXPR kestrane_month "${CMAKE_MATCH_2}")
math(EXPR kestrane_day "${CMAKE_MATCH_3}")
set(KESTRANE_VI_VERSION "${CMAKE_MATCH_1}.${kestrane_month}.${kestrane_day}.0")
set(KESTRANE_VERSION_COMMAS "${CMAKE_MATCH_1}, ${kestrane_month}, ${kestrane_day}, 0")
set(KESTRANE_VERSION_HEADER ${CMAKE_BINARY_DIR}/generated/version_info.h)
file(WRITE ${KESTRANE_VERSION_HEADER}.new
  "// Made by cmake/version.cmake from config/version_table.cpp.\n"
  "#define KESTRANE_FILE_VERSION ${KESTRANE_VERSION_COMMAS}\n"
  "#define KESTRANE_VERSION_TEXT \"${KESTRANE_VERSION}\"\n")
configure_file(${KESTRANE_VERSION_HEADER}.new ${KESTRANE_VERSION_HEADER} COPYONLY)
