kelpo_test(tst_model LABEL unit SOURCES tst_model.cpp LIBS kelpo_store)
kelpo_test(tst_datafile LABEL unit SOURCES tst_datafile.cpp LIBS kelpo_store)
