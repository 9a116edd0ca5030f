kelpo_test(tst_startup LABEL unit SOURCES tst_startup.cpp LIBS kelpo_app)
kelpo_test(tst_entries LABEL unit SOURCES tst_entries.cpp support/MainFixture.h LIBS kelpo_app)
kelpo_test(tst_completion LABEL unit SOURCES tst_completion.cpp support/MainFixture.h LIBS kelpo_app)

# Starts the real program: needs it built first and its path.
kelpo_test(tst_window_x11 LABEL x11 SOURCES tst_window_x11.cpp LIBS Qt6::Core)
target_compile_definitions(tst_window_x11 PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>")
add_dependencies(tst_window_x11 kelpo)
kelpo_test(tst_groups LABEL unit SOURCES tst_groups.cpp support/MainFixture.h LIBS kelpo_app)
kelpo_test(tst_items LABEL unit SOURCES tst_items.cpp support/MainFixture.h LIBS kelpo_app)
kelpo_test(tst_goto LABEL unit SOURCES tst_goto.cpp support/MainFixture.h LIBS kelpo_app)
kelpo_test(tst_groups_x11 LABEL x11 SOURCES tst_groups_x11.cpp LIBS Qt6::Core)
target_compile_definitions(tst_groups_x11 PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>")
add_dependencies(tst_groups_x11 kelpo)
kelpo_test(tst_hostile_x11 LABEL x11 SOURCES tst_hostile_x11.cpp support/KelpoX11.h LIBS Qt6::Core)
target_compile_definitions(tst_hostile_x11 PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>")
add_dependencies(tst_hostile_x11 kelpo)
kelpo_test(tst_commands LABEL unit SOURCES tst_commands.cpp support/MainFixture.h support/FakeDialogs.h
           support/ScriptedTii.h LIBS kelpo_app)
