kelpo_test(tst_web LABEL unit SOURCES tst_web.cpp LIBS kelpo_web)
