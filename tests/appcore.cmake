kelpo_test(tst_appcore LABEL unit SOURCES tst_appcore.cpp LIBS kelpo_appcore kelpo_typeitin)
kelpo_test(tst_layout LABEL unit SOURCES tst_layout.cpp LIBS kelpo_appcore)
