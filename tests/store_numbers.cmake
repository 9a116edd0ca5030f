kelpo_test(tst_wholenumber LABEL unit SOURCES tst_wholenumber.cpp LIBS kelpo_store)
