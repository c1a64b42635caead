# One keystroke without the redraw, at growing text lengths.
if(benchmark_FOUND)
  add_executable(typing_bench ${CMAKE_CURRENT_LIST_DIR}/typing_bench.cpp)
  target_link_libraries(typing_bench PRIVATE vorn_input benchmark::benchmark)
endif()
