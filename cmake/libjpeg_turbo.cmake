# libjpeg-turbo from Debian's source package (scripts/setup fetches it), built static with its
# SIMD code for the same target and toolchain as the program, then used as an imported library.
include(ExternalProject)

set(KESTRANE_LIBJPEG_DIR "${CMAKE_SOURCE_DIR}/.deps/libjpeg-turbo" CACHE PATH
    "Unpacked Debian libjpeg-turbo source (scripts/setup)")
if(NOT EXISTS "${KESTRANE_LIBJPEG_DIR}/jdapimin.c")
  message(FATAL_ERROR "libjpeg-turbo sources not found in ${KESTRANE_LIBJPEG_DIR}: run scripts/setup")
endif()
find_program(KESTRANE_NASM nasm)
if(NOT KESTRANE_NASM)
  message(FATAL_ERROR "nasm not found; libjpeg-turbo's SIMD code needs it: run scripts/setup")
endif()

set(kestrane_jpeg_prefix "${CMAKE_BINARY_DIR}/libjpeg-turbo")
set(kestrane_jpeg_library "${kestrane_jpeg_prefix}/lib/libjpeg.a")
ExternalProject_Add(libjpeg_turbo_build
  SOURCE_DIR "${KESTRANE_LIBJPEG_DIR}"
  BINARY_DIR "${CMAKE_BINARY_DIR}/libjpeg-turbo-build"
  INSTALL_DIR "${kestrane_jpeg_prefix}"
  CMAKE_ARGS
    "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}"
    "-DCMAKE_INSTALL_PREFIX=${kestrane_jpeg_prefix}"
    -DCMAKE_INSTALL_LIBDIR:PATH=lib
    -DCMAKE_INSTALL_INCLUDEDIR:PATH=include
    -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_ASM_NASM_COMPILER=${KESTRANE_NASM}"
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
    -DWITH_TURBOJPEG=OFF
  BUILD_BYPRODUCTS "${kestrane_jpeg_library}"
  # The unpacked sources never change under a build; no step needs to re-run for them.
  UPDATE_COMMAND ""
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

# The include folder must exist at configure time for an imported target to name it.
file(MAKE_DIRECTORY "${kestrane_jpeg_prefix}/include")
add_library(libjpeg STATIC IMPORTED GLOBAL)
set_target_properties(libjpeg PROPERTIES
  IMPORTED_LOCATION "${kestrane_jpeg_library}"
  INTERFACE_INCLUDE_DIRECTORIES "${kestrane_jpeg_prefix}/include")
add_dependencies(libjpeg libjpeg_turbo_build)
