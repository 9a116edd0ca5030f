# Hardening: inputs the fuzz targets found, saves killed at random moments,
# and saves onto a full disk or into a folder that cannot be written.
kelpo_test(tst_fuzzfinds LABEL unit SOURCES tst_fuzzfinds.cpp LIBS kelpo_store)
