# The zip container of .xlsx and .ods workbooks. Seeds are the workbook fixtures of the exchange tests (the zip
# ones among them; the others must be refused) and a few small packages of our own.
lesaro_add_fuzzer(zip_package ${CMAKE_CURRENT_SOURCE_DIR}/zip_package.cpp lesaro_exchange_sources
                  SEEDS ${PROJECT_SOURCE_DIR}/tests/exchange/data)
