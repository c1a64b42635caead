# Bare Qt windows of the main window's size, the yardsticks of bench/startup.sh:
# one empty, one that shows a line of text.
qt_add_executable(bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_link_libraries(bare_window PRIVATE Qt6::Widgets)
qt_add_executable(bare_label_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_compile_definitions(bare_label_window PRIVATE VORN_BARE_LABEL)
target_link_libraries(bare_label_window PRIVATE Qt6::Widgets)
