kelpo_test(tst_hugetext LABEL unit SOURCES tst_hugetext.cpp support/MainFixture.h support/LongTexts.h LIBS kelpo_app)
