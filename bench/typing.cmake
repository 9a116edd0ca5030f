# Times Type It In typing into a separate program (needs an X server).
add_executable(bench_typing ${CMAKE_CURRENT_SOURCE_DIR}/bench_typing.cpp)
target_include_directories(bench_typing PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_typing PRIVATE kelpo_x11keyboard Qt6::Widgets)
target_compile_definitions(bench_typing PRIVATE TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>"
                           XLIBTARGET_EXE="$<TARGET_FILE:kelpo_xlibtarget>")
add_dependencies(bench_typing kelpo_typetarget kelpo_xlibtarget)
# A short run is one of the real-window tests: every text must arrive exactly.
add_test(NAME bench_typing COMMAND bench_typing --rounds 1)
set_tests_properties(bench_typing PROPERTIES LABELS x11 TIMEOUT 300)
