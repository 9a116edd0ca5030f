# The command line and the help page's place; runs the real program too, with
# no display at all.
kelpo_test(tst_launch LABEL unit SOURCES tst_launch.cpp LIBS kelpo_appcore)
target_compile_definitions(tst_launch PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>")
add_dependencies(tst_launch kelpo)
