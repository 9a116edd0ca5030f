# Modes of the data folder and its files, and the per-user lock folder.
kelpo_test(tst_privatefiles LABEL unit SOURCES tst_privatefiles.cpp support/FileModes.h LIBS kelpo_appcore)
