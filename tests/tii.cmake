kelpo_test(tst_tii LABEL unit SOURCES tst_tii.cpp LIBS kelpo_tii)
