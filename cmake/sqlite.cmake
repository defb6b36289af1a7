# SQLite, which reads Firefox's places.sqlite: the amalgamation tools/setup-deps fetches into
# third-party/ (the version there), built without SQLite's own operating-system layer. The
# reader's read-only VFS (checker/favorites/PlacesVfs.cpp) is then the only way it reaches a file,
# and the program imports nothing Windows 95 lacks. Exclusive locking from the start lets it read
# a WAL without shared memory; temporary tables stay in memory; no two threads share it.
set(SQLITE_DIR ${CMAKE_CURRENT_LIST_DIR}/../third-party/sqlite-3.53.2)
if(NOT EXISTS ${SQLITE_DIR}/sqlite3.c)
    message(FATAL_ERROR "${SQLITE_DIR}/sqlite3.c is missing: tools/setup-deps fetches it")
endif()
add_library(sqlite STATIC ${SQLITE_DIR}/sqlite3.c)
target_include_directories(sqlite SYSTEM PUBLIC ${SQLITE_DIR})
target_compile_definitions(sqlite PRIVATE
    SQLITE_OS_OTHER=1 SQLITE_THREADSAFE=0 SQLITE_DEFAULT_LOCKING_MODE=1 SQLITE_TEMP_STORE=3
    SQLITE_MAX_MMAP_SIZE=0 SQLITE_DQS=0 SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_DEPRECATED
    SQLITE_OMIT_SHARED_CACHE SQLITE_OMIT_JSON SQLITE_OMIT_LOCALTIME SQLITE_OMIT_DESERIALIZE)
# Someone else's code: its warnings are not ours to fix.
target_compile_options(sqlite PRIVATE -w)
