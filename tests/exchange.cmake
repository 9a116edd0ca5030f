# Group exchange file and the download tab's list file.
kelpo_test(tst_exchange LABEL unit SOURCES tst_exchange.cpp LIBS kelpo_store)
kelpo_test(tst_download LABEL unit SOURCES tst_download.cpp LIBS kelpo_download)
kelpo_test(tst_exchange_main LABEL unit SOURCES tst_exchange_main.cpp support/MainFixture.h LIBS kelpo_app)
# Starts the real program: needs it built first and its path.
kelpo_test(tst_exchange_x11 LABEL x11 SOURCES tst_exchange_x11.cpp support/KelpoX11.h LIBS kelpo_store)
target_compile_definitions(tst_exchange_x11 PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>")
add_dependencies(tst_exchange_x11 kelpo)
