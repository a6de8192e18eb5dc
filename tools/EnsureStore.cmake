# Creates the empty store beside the program unless one is there already; an existing store is
# never touched, so a rebuild keeps the clerk's records.
if(NOT EXISTS "${DATA_DIR}/mervana.db")
    execute_process(COMMAND "${ADMIN}" init "${DATA_DIR}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "mervana-admin init ${DATA_DIR} failed")
    endif()
endif()
