# Hardening: inputs the fuzz targets found, saves killed at random moments,
# and saves onto a full disk or into a folder that cannot be written.
kelpo_test(tst_fuzzfinds LABEL unit SOURCES tst_fuzzfinds.cpp LIBS kelpo_store)

# The save driver runs the real main window; the crash test starts it and
# kills it at random moments.
add_executable(crash_saver crash_saver.cpp support/SaveRounds.h)
target_link_libraries(crash_saver PRIVATE kelpo_app)
target_include_directories(crash_saver PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
kelpo_test(tst_crashsave LABEL unit SOURCES tst_crashsave.cpp support/SaveRounds.h LIBS kelpo_app)
target_compile_definitions(tst_crashsave PRIVATE CRASH_SAVER="$<TARGET_FILE:crash_saver>")
add_dependencies(tst_crashsave crash_saver)
set_tests_properties(tst_crashsave PROPERTIES TIMEOUT 900)
kelpo_test(tst_fulldisk LABEL unit SOURCES tst_fulldisk.cpp support/SaveRounds.h LIBS kelpo_app)
