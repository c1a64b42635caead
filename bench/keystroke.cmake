# One keystroke with its full redraw, at growing text lengths.
if(benchmark_FOUND)
  add_executable(keystroke_bench ${CMAKE_CURRENT_LIST_DIR}/keystroke_bench.cpp)
  target_link_libraries(keystroke_bench PRIVATE vorn_render vorn_input benchmark::benchmark)
endif()
