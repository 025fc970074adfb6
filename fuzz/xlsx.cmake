# The .xlsx reader's two XML parts that carry the data: a sheet and the shared strings.
lesaro_add_fuzzer(xlsx_sheet ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_sheet.cpp lesaro_exchange_sources)
lesaro_add_fuzzer(xlsx_shared_strings ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_shared_strings.cpp lesaro_exchange_sources)
