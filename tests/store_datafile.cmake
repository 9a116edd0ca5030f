kelpo_test(tst_model LABEL unit SOURCES tst_model.cpp LIBS kelpo_store)
