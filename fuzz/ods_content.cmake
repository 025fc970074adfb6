# The .ods reader's content.xml: sheet names, lines and cells with their repeats.
lesaro_add_fuzzer(ods_content ${CMAKE_CURRENT_SOURCE_DIR}/ods_content.cpp lesaro_exchange_sources)
