# The crash journal's reader and its replay onto the tables. The seeds are journals of the real writer, whole,
# cut short and damaged, in both forms. A fuzzing run writes what it finds to a folder of its own, named
# first: ./journal found/ fuzz/corpus/journal/
lesaro_add_fuzzer(journal ${CMAKE_CURRENT_SOURCE_DIR}/journal.cpp lesaro_library)
