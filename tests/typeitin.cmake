kelpo_test(tst_player LABEL unit SOURCES tst_player.cpp LIBS kelpo_typeitin)
kelpo_test(tst_sessionkeyboard LABEL unit SOURCES tst_sessionkeyboard.cpp support/RecordingKeyboard.h LIBS kelpo_typeitin)

# Types into a separate small program in a real X server.
add_executable(kelpo_typetarget support/typetarget.cpp)
target_link_libraries(kelpo_typetarget PRIVATE Qt6::Widgets)
kelpo_test(tst_typeitin_x11 LABEL x11 SOURCES tst_typeitin_x11.cpp LIBS kelpo_x11keyboard Qt6::Widgets)
target_compile_definitions(tst_typeitin_x11 PRIVATE TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>")
add_dependencies(tst_typeitin_x11 kelpo_typetarget)
