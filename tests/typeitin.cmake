kelpo_test(tst_player LABEL unit SOURCES tst_player.cpp LIBS kelpo_typeitin)

