# Date, time and number formats, and the due test.
kelpo_test(tst_formats LABEL unit SOURCES tst_formats.cpp LIBS kelpo_store)
kelpo_test(tst_due LABEL unit SOURCES tst_due.cpp LIBS kelpo_store)
