# The .xls number formats reader: the compound file and the record stream. Seeds are the workbook fixtures of
# the exchange tests (the .xls among them; the others must be refused) and a few small workbooks of our own.
lesaro_add_fuzzer(xls_formats ${CMAKE_CURRENT_SOURCE_DIR}/xls_formats.cpp lesaro_exchange_sources
                  SEEDS ${PROJECT_SOURCE_DIR}/tests/exchange/data)
