# Type It In on the main window: the Variables tab, the Type button with the
# editor window and the player.
kelpo_test(tst_variables LABEL unit SOURCES tst_variables.cpp support/MainFixture.h support/ScriptedTii.h LIBS kelpo_app)
kelpo_test(tst_typeitin_main LABEL unit SOURCES tst_typeitin_main.cpp support/MainFixture.h support/ScriptedTii.h
           support/RecordingKeyboard.h LIBS kelpo_app)
