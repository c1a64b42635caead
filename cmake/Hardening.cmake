# The hardening every Debian package gets from dpkg-buildflags, for every
# optimised build and not only the package's, so that a program started from
# the build tree parses fonts as the installed one does. Where the flags given
# to CMake (CXXFLAGS, LDFLAGS: dpkg-buildflags' values in a package build)
# already choose an option, their choice stands. The sanitizer and fuzz builds
# keep their own instrumentation and are left alone. None is the build type of
# the package build, whose optimisation comes from dpkg-buildflags alone.
if(VORN_SANITIZE OR VORN_FUZZ)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckPIESupported)

set(vorn_optimised "$<CONFIG:Release,RelWithDebInfo,None>")
set(vorn_given_compile "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_RELEASE} ${CMAKE_CXX_FLAGS_RELWITHDEBINFO}")
set(vorn_given_link "${CMAKE_EXE_LINKER_FLAGS} ${CMAKE_SHARED_LINKER_FLAGS} ${CMAKE_MODULE_LINKER_FLAGS}")

# Level 3 also checks the sizes the compiler only knows at run time; glibc
# falls back to level 2 by itself where the compiler lacks it, so the check
# is only there to say which level the build really has.
if(NOT vorn_given_compile MATCHES "_FORTIFY_SOURCE")
  set(CMAKE_REQUIRED_FLAGS "-O2 -D_FORTIFY_SOURCE=3")
  check_cxx_source_compiles([[
    #include <cstdio>
    #if !defined(__USE_FORTIFY_LEVEL) || __USE_FORTIFY_LEVEL < 3
    #error fortify level 3 is not supported
    #endif
    int main() { return 0; }]] VORN_HAS_FORTIFY_3)
  unset(CMAKE_REQUIRED_FLAGS)
  if(VORN_HAS_FORTIFY_3)
    add_compile_options("$<${vorn_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")
  else()
    add_compile_options("$<${vorn_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  endif()
endif()

# Each flag with the word that shows it is already chosen.
foreach(pair "-fstack-protector-strong|-fstack-protector" "-fstack-clash-protection|-fstack-clash-protection"
             "-fcf-protection|-fcf-protection")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 flag)
  list(GET pair 1 chosen)
  if(NOT vorn_given_compile MATCHES "${chosen}")
    string(MAKE_C_IDENTIFIER "VORN_HAS${flag}" supported)
    check_cxx_compiler_flag(${flag} ${supported})
    if(${supported})
      add_compile_options("$<${vorn_optimised}:${flag}>")
    endif()
  endif()
endforeach()

if(NOT vorn_given_link MATCHES "relro")
  add_link_options("$<${vorn_optimised}:LINKER:-z,relro>")
endif()
if(NOT vorn_given_link MATCHES "z,now")
  add_link_options("$<${vorn_optimised}:LINKER:-z,now>")
endif()

# Position-independent executables: the targets are position independent
# already (CMAKE_POSITION_INDEPENDENT_CODE); this makes CMake link them so.
check_pie_supported()
