kelpo_test(tst_web LABEL unit SOURCES tst_web.cpp LIBS kelpo_web)
kelpo_test(tst_drop LABEL unit SOURCES tst_drop.cpp support/MainFixture.h LIBS kelpo_app)
