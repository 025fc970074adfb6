lesaro_add_fuzzer(datapacket ${CMAKE_CURRENT_SOURCE_DIR}/datapacket.cpp lesaro_core)
