kelpo_test(tst_appcore LABEL unit SOURCES tst_appcore.cpp LIBS kelpo_appcore kelpo_typeitin)
