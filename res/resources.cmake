# Build rules shared by the Windows resource script (res/) and the host's view of the same
# resources (res/host/): both take their bytes from the same source files.
set(LANTERNIX_RES_DIR ${CMAKE_CURRENT_LIST_DIR})

# Generates the release notes resource file OUTPUT from res/release_notes.txt.
function(lanternix_release_notes output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${LANTERNIX_RES_DIR}/release_notes.txt -DOUTPUT=${output}
            -P ${LANTERNIX_RES_DIR}/release_notes.cmake
    DEPENDS ${LANTERNIX_RES_DIR}/release_notes.txt ${LANTERNIX_RES_DIR}/release_notes.cmake
    COMMENT "Converting the release notes to UTF-16"
    VERBATIM)
endfunction()
