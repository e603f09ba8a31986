# The fuzz targets: each is tests/fuzz/<target>.cpp, with its seed corpus in
# corpus/<target>/ and its saved crash inputs in regressions/<target>/.
# tests/fuzz/fuzz.sh lists them again with the longest input worth trying.
set(FUZZ_TARGETS bmp_headers bmp_rle entry_record formula formula_differential csv_table)
