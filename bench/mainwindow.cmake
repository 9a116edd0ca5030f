# Times the main window with 100,000 items; also writes the sample data folder.
add_executable(bench_mainwindow ${CMAKE_CURRENT_SOURCE_DIR}/bench_mainwindow.cpp)
target_include_directories(bench_mainwindow PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_mainwindow PRIVATE kelpo_app)
