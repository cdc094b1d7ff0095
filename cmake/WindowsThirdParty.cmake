# The libraries that Linux takes from Debian's binary packages, compiled for Windows from
# Debian's source packages (cmake/DebianSource.cmake fetches and caches each source once):
# zlib, libpng, FreeType (with its zlib support on), FTGL, GLEW and GoogleTest as static
# libraries of this build, and libsndfile (WAV and AIFF only, for the host tools) through
# its own CMake build. Each gets the target name that find_package gives on Linux, so the
# rest of the build names them the same way on both systems.
#
# Third-party code is compiled as its authors ship it: its warnings are not ours to fix.

include(${CMAKE_SOURCE_DIR}/cmake/DebianSource.cmake)
include(ExternalProject)

function(quorvella_third_party target)
  cmake_parse_arguments(T "" "" "SOURCES;PUBLIC_INCLUDES;PRIVATE_INCLUDES;PUBLIC_DEFINES;PRIVATE_DEFINES;LIBS" ${ARGN})
  add_library(${target} STATIC ${T_SOURCES})
  target_compile_options(${target} PRIVATE -w)
  target_include_directories(${target} SYSTEM PUBLIC ${T_PUBLIC_INCLUDES})
  target_include_directories(${target} PRIVATE ${T_PRIVATE_INCLUDES})
  target_compile_definitions(${target} PUBLIC ${T_PUBLIC_DEFINES} PRIVATE ${T_PRIVATE_DEFINES})
  target_link_libraries(${target} PUBLIC ${T_LIBS})
endfunction()

function(quorvella_prefixed result root)
  set(paths)
  foreach(file IN LISTS ARGN)
    list(APPEND paths "${root}/${file}")
  endforeach()
  set(${result} ${paths} PARENT_SCOPE)
endfunction()

# --- zlib --------------------------------------------------------------------------------
quorvella_debian_source(zlib zlib.h QUORVELLA_ZLIB_SOURCE_DIR zlibRoot)
quorvella_prefixed(zlibSources "${zlibRoot}" adler32.c compress.c crc32.c deflate.c gzclose.c
  gzlib.c gzread.c gzwrite.c infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c)
quorvella_third_party(quorvella_zlib SOURCES ${zlibSources} PUBLIC_INCLUDES "${zlibRoot}")
add_library(ZLIB::ZLIB ALIAS quorvella_zlib)

# --- libpng ------------------------------------------------------------------------------
quorvella_debian_source(libpng1.6 png.h QUORVELLA_LIBPNG_SOURCE_DIR pngRoot)
set(pngConfig "${CMAKE_BINARY_DIR}/third-party/png")
configure_file("${pngRoot}/scripts/pnglibconf.h.prebuilt" "${pngConfig}/pnglibconf.h" COPYONLY)
quorvella_prefixed(pngSources "${pngRoot}" png.c pngerror.c pngget.c pngmem.c pngpread.c
  pngread.c pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c
  pngwutil.c)
quorvella_third_party(quorvella_png SOURCES ${pngSources}
  PUBLIC_INCLUDES "${pngRoot}" "${pngConfig}" LIBS quorvella_zlib)
add_library(PNG::PNG ALIAS quorvella_png)

# --- FreeType ----------------------------------------------------------------------------
# The module list of FreeType's own build; zlib is forced on (compressed PCF fonts and the
# gzip stream) and taken from the zlib above instead of FreeType's private copy.
quorvella_debian_source(freetype include/ft2build.h QUORVELLA_FREETYPE_SOURCE_DIR ftRoot)
quorvella_prefixed(ftSources "${ftRoot}/src"
  autofit/autofit.c base/ftbase.c base/ftbbox.c base/ftbdf.c base/ftbitmap.c base/ftcid.c
  base/ftfstype.c base/ftgasp.c base/ftglyph.c base/ftgxval.c base/ftinit.c base/ftmm.c
  base/ftotval.c base/ftpatent.c base/ftpfr.c base/ftstroke.c base/ftsynth.c base/fttype1.c
  base/ftwinfnt.c base/ftsystem.c base/ftdebug.c bdf/bdf.c cache/ftcache.c cff/cff.c
  cid/type1cid.c gzip/ftgzip.c lzw/ftlzw.c pcf/pcf.c pfr/pfr.c psaux/psaux.c
  pshinter/pshinter.c psnames/psnames.c raster/raster.c sdf/sdf.c sfnt/sfnt.c smooth/smooth.c
  svg/svg.c truetype/truetype.c type1/type1.c type42/type42.c winfonts/winfnt.c)
quorvella_third_party(quorvella_freetype SOURCES ${ftSources}
  PUBLIC_INCLUDES "${ftRoot}/include"
  PRIVATE_DEFINES FT2_BUILD_LIBRARY FT_CONFIG_OPTION_USE_ZLIB FT_CONFIG_OPTION_SYSTEM_ZLIB
  LIBS quorvella_zlib)

# --- FTGL (over FreeType and the system's OpenGL and GLU) ------------------------------------
quorvella_debian_source(ftgl src/FTGL/ftgl.h QUORVELLA_FTGL_SOURCE_DIR ftglRoot)
file(GLOB ftglSources "${ftglRoot}/src/*.cpp" "${ftglRoot}/src/FTFont/*.cpp"
     "${ftglRoot}/src/FTGlyph/*.cpp" "${ftglRoot}/src/FTLayout/*.cpp")
set(ftglConfig "${CMAKE_BINARY_DIR}/third-party/ftgl")
file(CONFIGURE OUTPUT "${ftglConfig}/config.h"
     CONTENT "#pragma once\n#define __FUNC__ __FUNCTION__\n#define PACKAGE_VERSION \"2.4.0\"\n")
quorvella_third_party(quorvella_ftgl SOURCES ${ftglSources}
  PUBLIC_INCLUDES "${ftglRoot}/src"
  PRIVATE_INCLUDES "${ftglConfig}" "${ftglRoot}/src"
  PUBLIC_DEFINES FTGL_LIBRARY_STATIC PRIVATE_DEFINES _USE_MATH_DEFINES
  LIBS quorvella_freetype glu32 opengl32)
add_library(PkgConfig::QUORVELLA_FTGL ALIAS quorvella_ftgl)

# --- GLEW --------------------------------------------------------------------------------
quorvella_debian_source(glew src/glew.c QUORVELLA_GLEW_SOURCE_DIR glewRoot)
quorvella_third_party(quorvella_glew SOURCES "${glewRoot}/src/glew.c"
  PUBLIC_INCLUDES "${glewRoot}/include" PUBLIC_DEFINES GLEW_STATIC LIBS opengl32)
add_library(GLEW::GLEW ALIAS quorvella_glew)
add_library(OpenGL::GL INTERFACE IMPORTED)
set_target_properties(OpenGL::GL PROPERTIES INTERFACE_LINK_LIBRARIES "opengl32;glu32")
add_library(OpenGL::OpenGL ALIAS OpenGL::GL)

# --- GoogleTest --------------------------------------------------------------------------
if(BUILD_TESTING)
  quorvella_debian_source(googletest googletest/src/gtest-all.cc QUORVELLA_GOOGLETEST_SOURCE_DIR gtRoot)
  quorvella_third_party(quorvella_gtest SOURCES "${gtRoot}/googletest/src/gtest-all.cc"
    PUBLIC_INCLUDES "${gtRoot}/googletest/include" PRIVATE_INCLUDES "${gtRoot}/googletest")
  quorvella_third_party(quorvella_gmock SOURCES "${gtRoot}/googlemock/src/gmock-all.cc"
    PUBLIC_INCLUDES "${gtRoot}/googlemock/include"
    PRIVATE_INCLUDES "${gtRoot}/googlemock" LIBS quorvella_gtest)
  add_library(GTest::gtest ALIAS quorvella_gtest)
  add_library(GTest::gmock ALIAS quorvella_gmock)
endif()

# --- Google Benchmark (the processing benchmark under Wine) --------------------------------
quorvella_debian_source(benchmark src/benchmark.cc QUORVELLA_BENCHMARK_SOURCE_DIR benchRoot)
file(GLOB benchSources "${benchRoot}/src/*.cc")
list(FILTER benchSources EXCLUDE REGEX "benchmark_main\\.cc$")
quorvella_third_party(quorvella_benchmark SOURCES ${benchSources}
  PUBLIC_INCLUDES "${benchRoot}/include" PRIVATE_INCLUDES "${benchRoot}/src"
  PUBLIC_DEFINES BENCHMARK_STATIC_DEFINE PRIVATE_DEFINES HAVE_STD_REGEX
  LIBS shlwapi)
quorvella_third_party(quorvella_benchmark_main SOURCES "${benchRoot}/src/benchmark_main.cc"
  LIBS quorvella_benchmark)
add_library(benchmark::benchmark ALIAS quorvella_benchmark)
add_library(benchmark::benchmark_main ALIAS quorvella_benchmark_main)

# --- libsndfile (host tools only: WAV, AIFF and the other built-in formats) ----------------
quorvella_debian_source(libsndfile src/sndfile.c QUORVELLA_SNDFILE_SOURCE_DIR sndfileRoot)
set(sndfilePrefix "${CMAKE_BINARY_DIR}/third-party/sndfile")
get_filename_component(toolchainFile "${CMAKE_TOOLCHAIN_FILE}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
ExternalProject_Add(quorvella_sndfile_build
  SOURCE_DIR "${sndfileRoot}"
  BINARY_DIR "${CMAKE_BINARY_DIR}/third-party/sndfile-build"
  INSTALL_DIR "${sndfilePrefix}"
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${toolchainFile} -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DBUILD_SHARED_LIBS=OFF -DBUILD_PROGRAMS=OFF
             -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_EXTERNAL_LIBS=OFF
             -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF -DENABLE_PACKAGE_CONFIG=OFF -DINSTALL_PKGCONFIG_MODULE=OFF
             -DBUILD_REGTEST=OFF -DINSTALL_MANPAGES=OFF -DCMAKE_C_FLAGS=-w
  BUILD_BYPRODUCTS "${sndfilePrefix}/lib/libsndfile.a"
  UPDATE_COMMAND "" PATCH_COMMAND "")
file(MAKE_DIRECTORY "${sndfilePrefix}/include")
add_library(PkgConfig::SNDFILE STATIC IMPORTED GLOBAL)
set_target_properties(PkgConfig::SNDFILE PROPERTIES
  IMPORTED_LOCATION "${sndfilePrefix}/lib/libsndfile.a"
  INTERFACE_INCLUDE_DIRECTORIES "${sndfilePrefix}/include")
add_dependencies(PkgConfig::SNDFILE quorvella_sndfile_build)
