kelpo_test(tst_download_main LABEL unit SOURCES tst_download_main.cpp support/MainFixture.h LIBS kelpo_app)
