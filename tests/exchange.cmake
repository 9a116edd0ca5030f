# Group exchange file and the download tab's list file.
kelpo_test(tst_exchange LABEL unit SOURCES tst_exchange.cpp LIBS kelpo_store)
kelpo_test(tst_download LABEL unit SOURCES tst_download.cpp LIBS kelpo_download)
kelpo_test(tst_exchange_main LABEL unit SOURCES tst_exchange_main.cpp support/MainFixture.h LIBS kelpo_app)
