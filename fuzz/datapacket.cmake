# The seeds are the table file tests' own fixtures, good and broken. A fuzzing run writes what it finds to a
# folder of its own, named first: ./datapacket found/ tests/core/data/datapacket/
lesaro_add_fuzzer(datapacket ${CMAKE_CURRENT_SOURCE_DIR}/datapacket.cpp lesaro_core
                  SEEDS ${PROJECT_SOURCE_DIR}/tests/core/data/datapacket)
