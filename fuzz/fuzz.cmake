# libFuzzer targets, with AddressSanitizer and UndefinedBehaviorSanitizer.
# Configure with clang, e.g.
#   CXX=clang++ cmake -B build-fuzz -DVORN_FUZZ=ON -DVORN_BENCH=OFF
# and run them with fuzz/run_fuzzers.sh.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "VORN_FUZZ needs clang (libFuzzer); configure with CXX=clang++")
endif()

set(VORN_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

# The code under test gets the fuzzer's coverage instrumentation too, or the
# fuzzer would be blind inside it.
foreach(library vorn_files vorn_text vorn_input vorn_sfnt vorn_fonts vorn_settings vorn_kept)
  target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link ${VORN_FUZZ_SANITIZERS})
endforeach()

function(vorn_add_fuzzer name library)
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${VORN_FUZZ_SANITIZERS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer ${VORN_FUZZ_SANITIZERS})
  target_link_libraries(${name} PRIVATE ${library})
  list(APPEND VORN_FUZZERS ${name})
  set(VORN_FUZZERS ${VORN_FUZZERS} PARENT_SCOPE)
endfunction()

vorn_add_fuzzer(fuzz_cmap vorn_sfnt)
vorn_add_fuzzer(fuzz_os2 vorn_sfnt)
vorn_add_fuzzer(fuzz_sfnt vorn_sfnt)
vorn_add_fuzzer(fuzz_profile vorn_settings)
vorn_add_fuzzer(fuzz_keystrokes vorn_input)
vorn_add_fuzzer(fuzz_face_cache vorn_fonts)
target_link_libraries(fuzz_face_cache PRIVATE PkgConfig::ZLIB)
vorn_add_fuzzer(fuzz_kept_text vorn_kept)
vorn_add_fuzzer(fuzz_text_file vorn_input)
vorn_add_fuzzer(fuzz_edit_history vorn_input)
add_custom_target(vorn_fuzzers DEPENDS ${VORN_FUZZERS})
