# Saving and loading the main data file, as ratios to the disk's floor.
add_executable(bench_datafile ${CMAKE_CURRENT_SOURCE_DIR}/bench_datafile.cpp)
target_link_libraries(bench_datafile PRIVATE kelpo_store Qt6::Core)
# A short run with the unit tests (10,000 items, a few seconds): it fails
# when a save does not load back whole; the figures are in its output.
add_test(NAME bench_datafile COMMAND bench_datafile 10000)
set_tests_properties(bench_datafile PROPERTIES LABELS unit)
