# Copies INPUT to OUTPUT and pads the copy with zero bytes to exactly SIZE bytes. The zeros form
# an overlay after the last section, which the loader and the version functions ignore.
file(SIZE "${INPUT}" input_size)
if(input_size GREATER SIZE)
  message(FATAL_ERROR "${INPUT} has ${input_size} bytes, more than the ${SIZE} it must be padded to")
endif()
file(COPY_FILE "${INPUT}" "${OUTPUT}.partial")
execute_process(COMMAND truncate --size=${SIZE} "${OUTPUT}.partial" COMMAND_ERROR_IS_FATAL ANY)
file(RENAME "${OUTPUT}.partial" "${OUTPUT}")
