# The font catalogue over every installed face, against fontconfig's own
# coverage query for the script's range. Run by hand: build-dir/bench/catalogue_bench [runs]
add_executable(catalogue_bench ${CMAKE_CURRENT_LIST_DIR}/catalogue_bench.cpp)
set_target_properties(catalogue_bench PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
target_link_libraries(catalogue_bench PRIVATE vorn_fonts)
