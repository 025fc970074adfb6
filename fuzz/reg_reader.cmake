lesaro_add_fuzzer(reg_reader ${CMAKE_CURRENT_SOURCE_DIR}/reg_reader.cpp lesaro_settings)
