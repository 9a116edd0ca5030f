# Times an item with megabytes of text in one field: showing, typing, saving.
add_executable(bench_hugetext ${CMAKE_CURRENT_SOURCE_DIR}/bench_hugetext.cpp)
target_include_directories(bench_hugetext PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_hugetext PRIVATE kelpo_app)
