# Type It In on the main window: the Variables tab, the Type button with the
# editor window and the player.
kelpo_test(tst_variables LABEL unit SOURCES tst_variables.cpp support/MainFixture.h support/ScriptedTii.h LIBS kelpo_app)
kelpo_test(tst_typeitin_main LABEL unit SOURCES tst_typeitin_main.cpp support/MainFixture.h support/ScriptedTii.h
           support/RecordingKeyboard.h LIBS kelpo_app)

# The real program typing into a separate target program in a real X server.
kelpo_test(tst_kelpo_type_x11 LABEL x11 SOURCES tst_kelpo_type_x11.cpp LIBS kelpo_store Qt6::Gui)
target_compile_definitions(tst_kelpo_type_x11 PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>"
                           TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>")
add_dependencies(tst_kelpo_type_x11 kelpo kelpo_typetarget)
