# The text's kept file written, as the window does a second after a change.
if(benchmark_FOUND)
  add_executable(keep_bench ${CMAKE_CURRENT_LIST_DIR}/keep_bench.cpp)
  target_link_libraries(keep_bench PRIVATE vorn_kept benchmark::benchmark)
endif()
