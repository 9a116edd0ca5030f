# Group exchange file and the download tab's list file.
kelpo_test(tst_exchange LABEL unit SOURCES tst_exchange.cpp LIBS kelpo_store)
kelpo_test(tst_download LABEL unit SOURCES tst_download.cpp LIBS kelpo_download)
