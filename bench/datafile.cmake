# Times saving and loading a main data file of 100,000 items.
add_executable(bench_datafile ${CMAKE_CURRENT_SOURCE_DIR}/bench_datafile.cpp)
target_link_libraries(bench_datafile PRIVATE kelpo_store Qt6::Core)
