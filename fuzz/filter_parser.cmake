lesaro_add_fuzzer(filter_parser ${CMAKE_CURRENT_SOURCE_DIR}/filter_parser.cpp lesaro_core)
